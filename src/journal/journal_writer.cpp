/*
 * The journal's files, kept whole one row at a time, with the rows that
 * wait for a day's file held by another program.
 */
#include "journal/journal_writer.h"

#include <unordered_set>

namespace orvanta {

JournalDay journalDayFor(const LocalTime& clock, std::optional<JournalDay> newestInJournal)
{
    const JournalDay day = dayOf(clock);
    if (day >= kEarliestJournalDay)
        return day;
    return newestInJournal && *newestInJournal > kEarliestJournalDay ? *newestInJournal : kEarliestJournalDay;
}

void JournalWriter::start(const LocalTime& now)
{
    for (const std::string& name : store_.names()) {
        const auto file = journalFileOf(name);
        if (!file)
            continue;
        if (file->pending)
            pending_.insert(file->day);
        if (!newest_ || file->day > *newest_)
            newest_ = file->day;
    }
    removeExpired(dayOf(now));
    movePending();
    const JournalDay today = journalDayFor(now, newest_);
    const std::string name = journalFileName(today);
    if (!pending_.contains(today) && store_.exists(name) && prepare(name))
        ready_.insert(name);
}

// A row that its day's file does not take goes to the day's pending file;
// while that holds rows, later ones follow them there, so that the order
// stays the order of writing.
JournalWrite JournalWriter::write(const JournalRow& row)
{
    const JournalDay day = journalDayFor(row.time, newest_);
    if (expiredFor_ != dayOf(row.time))
        removeExpired(dayOf(row.time));
    if (!newest_ || day > *newest_)
        newest_ = day;
    const std::string text = journalRow(row);
    if (!pending_.contains(day) || movePending(day)) {
        if (appendTo(journalFileName(day), text) == Appended::Whole)
            return JournalWrite::Written;
        pending_.insert(day);
    }
    lastPending_ = pendingFileName(day);
    return appendTo(lastPending_, text) == Appended::Whole ? JournalWrite::Pending : JournalWrite::Failed;
}

bool JournalWriter::movePending()
{
    for (auto at = pending_.begin(); at != pending_.end();) {
        const JournalDay day = *at++;
        movePending(day);
    }
    return pending_.empty();
}

// Rows a move cut short has already put into the day's file are not put
// there twice: every row of the journal is unique by its time to the
// millisecond and its content.
bool JournalWriter::movePending(const JournalDay& day)
{
    const std::string dayFile = journalFileName(day);
    const std::string pendingFile = pendingFileName(day);
    if (!store_.canAppend(dayFile))
        return false;
    const std::optional<std::string> waiting = store_.read(pendingFile);
    const std::optional<std::string> content = prepare(dayFile);
    if ((!waiting && store_.exists(pendingFile)) || !content)
        return false;
    ready_.insert(dayFile);
    std::unordered_set<std::string_view> present;
    JournalRowReader inDay(*content);
    for (JournalRowView row; inDay.next(row);)
        present.insert(std::string_view(*content).substr(row.offset, row.length));
    std::string moved;
    const std::string_view pending = waiting ? std::string_view(*waiting) : std::string_view();
    JournalRowReader inPending(pending);
    for (JournalRowView row; inPending.next(row);) {
        if (!present.contains(pending.substr(row.offset, row.length)))
            moved += pending.substr(row.offset, row.length);
    }
    if (!moved.empty() && appendTo(dayFile, moved) != Appended::Whole)
        return false;
    if (!store_.remove(pendingFile) && store_.exists(pendingFile))
        return false;
    ready_.erase(pendingFile);
    pending_.erase(day);
    return true;
}

Appended JournalWriter::appendTo(const std::string& name, const std::string& bytes)
{
    if (!ready_.contains(name)) {
        if (!prepare(name))
            return Appended::NotOpened;
        ready_.insert(name);
    }
    const Appended appended = store_.append(name, bytes);
    if (appended == Appended::Failed)
        ready_.erase(name);   // a part of the bytes may be there: set right at the next write
    return appended;
}

// The file's content once set right: a file whose header is torn starts
// again; one whose last row is torn loses that row only.
std::optional<std::string> JournalWriter::prepare(const std::string& name)
{
    std::optional<std::string> content;
    if (store_.exists(name) && !(content = store_.read(name)))
        return std::nullopt;
    const std::size_t whole = content ? endOfLastWholeRow(*content) : 0;
    if (whole > 0) {
        if (whole < content->size() && !store_.truncate(name, whole))
            return std::nullopt;
        content->resize(whole);
        return content;
    }
    if (content && !content->empty() && !store_.truncate(name, 0))
        return std::nullopt;
    if (store_.append(name, journalFileStart()) != Appended::Whole)
        return std::nullopt;
    return journalFileStart();
}

void JournalWriter::removeExpired(const JournalDay& clockDay)
{
    expiredFor_ = clockDay;
    for (const std::string& name : expiredJournalFiles(store_.names(), clockDay, keepDays_)) {
        if (!store_.remove(name))
            continue;
        ready_.erase(name);
        if (const auto file = journalFileOf(name); file && file->pending)
            pending_.erase(file->day);
    }
}

}  // namespace orvanta
