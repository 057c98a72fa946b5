/*
 * The journal as the conversation sees it: each record that went in
 * becomes a row, with the moment, the port, the text as typed, the bytes
 * as received, and the window and program that took it. What only the
 * platform knows comes through JournalSources.
 */
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "journal/journal_writer.h"
#include "keys/typing_state.h"
#include "platform/window_id.h"
#include "protocol/record_journal.h"
#include "settings/settings.h"

namespace orvanta {

class JournalSources {
public:
    virtual ~JournalSources() = default;
    virtual LocalTime now() = 0;
    // A record's data as the program types it (the ANSI code page), in UTF-8.
    virtual std::string textOf(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual std::string windowTitle(WindowId window) = 0;
    // The file name of the program the window belongs to.
    virtual std::string programOf(WindowId window) = 0;
};

class JournalRecorder final : public RecordJournal {
public:
    JournalRecorder(JournalWriter& writer, JournalSources& sources, const Settings& settings,
                    const TypingState& typing)
        : writer_(writer), sources_(sources), settings_(settings), typing_(typing)
    {
    }

    void recordDelivered(const TransferContext& transfer) override;
    // A row of the journal typed again: a row of its own, with the window
    // that took it now, in the batch begun at batchTime.
    void recordTypedAgain(const JournalRow& original, const LocalTime& batchTime);
    LocalTime now() { return sources_.now(); }
    // True since a row could not be written, until one could again.
    bool failing() const { return failing_; }

private:
    JournalWriter& writer_;
    JournalSources& sources_;
    const Settings& settings_;
    const TypingState& typing_;
    std::atomic<bool> failing_{false};
    // The receive thread and the thread typing records again both write:
    // one row at a time.
    std::mutex writing_;
    LocalTime transferTime_;   // of the transfer's first record (receive thread)
};

}  // namespace orvanta
