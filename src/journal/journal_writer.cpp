/*
 * The journal's files, kept whole one row at a time.
 */
#include "journal/journal_writer.h"

#include <algorithm>

namespace orvanta {

JournalWrite JournalWriter::write(const JournalRow& row)
{
    const std::string name = journalFileName(row.time);
    if (name != ready_) {
        ready_.clear();
        removeExpired(row.time);
        if (!prepare(name))
            return JournalWrite::Failed;
        ready_ = name;
    }
    if (store_.append(name, journalRow(row)))
        return JournalWrite::Written;
    ready_.clear();   // a part of the row may be there: set right at the next write
    return JournalWrite::Failed;
}

void JournalWriter::start(const LocalTime& now)
{
    removeExpired(now);
    const std::string name = journalFileName(now);
    if (store_.exists(name) && prepare(name))
        ready_ = name;
}

// A file whose header is torn starts again; one whose last row is torn
// loses that row only.
bool JournalWriter::prepare(const std::string& name)
{
    if (!store_.exists(name))
        return store_.append(name, journalFileStart());
    const auto content = store_.read(name);
    if (!content)
        return false;
    const std::size_t whole = endOfLastWholeRow(*content);
    if (whole == content->size())
        return true;
    if (whole > 0)
        return store_.truncate(name, whole);
    return store_.truncate(name, 0) && store_.append(name, journalFileStart());
}

void JournalWriter::removeExpired(const LocalTime& today)
{
    for (const std::string& name : store_.names()) {
        if (journalFileExpired(name, today.year, today.month, today.day, keepDays_))
            store_.remove(name);
    }
}

std::vector<JournalRow> readWholeJournal(JournalStore& store)
{
    std::vector<std::string> names = store.names();
    std::sort(names.begin(), names.end());
    std::vector<JournalRow> rows;
    for (const std::string& name : names) {
        if (!journalFileDate(name))
            continue;
        const auto content = store.read(name);
        if (!content)
            continue;
        for (JournalRow& row : readJournal(*content))
            rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace orvanta
