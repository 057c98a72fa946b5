/*
 * The journal as the engine sees it: each record that went in becomes a
 * row, with the moment, the port, the text as typed, the bytes as
 * received, and the window and program that took it; a record typed
 * again becomes a row of its own. The rows are written on a worker of
 * their own, in the order they were asked for, and each is answered, so
 * that a record's ACK waits for its row and nothing else waits for the
 * disk. What only the platform knows comes through JournalSources.
 */
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "journal/journal_writer.h"
#include "platform/bounded_thread.h"
#include "platform/window_id.h"
#include "protocol/engine_driver.h"
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

// One row to write, as the engine's thread asked for it.
struct RowRequest {
    Ticket ticket = 0;
    RowKind kind = RowKind::Typed;
    std::string line;            // the record line as received, without its CR
    WindowId window = 0;
    int comPort = 0;
    bool firstOfTransfer = false;
    JournalRow original;         // typed again: the row it was chosen from
    LocalTime batchTime;         // typed again: when its batch began
};

class JournalRecorder {
public:
    JournalRecorder(JournalWriter& writer, JournalSources& sources) : writer_(writer), sources_(sources) {}

    // On the journal's worker; false when the row could not be written.
    bool record(const RowRequest& request);
    LocalTime now() { return sources_.now(); }

private:
    JournalRow rowOf(const RowRequest& request);

    JournalWriter& writer_;
    JournalSources& sources_;
    LocalTime transferTime_;   // of the transfer's first record
};

class JournalWorker final : public JournalPen {
public:
    JournalWorker(JournalRecorder& recorder, const Settings& settings, EventPost post);
    ~JournalWorker() override;
    JournalWorker(const JournalWorker&) = delete;
    JournalWorker& operator=(const JournalWorker&) = delete;

    // The rows a batch typed again was chosen from, before it is typed.
    void beginAgainBatch(std::vector<JournalRow> rows);
    void write(const actions::WriteJournalRow& row) override;
    // True since a row could not be written, until one could again.
    bool failing() const { return failing_; }
    // Writes the rows still queued, for at most 5 s (a disk that does not
    // answer in that time is left to the end of the process), and ends the
    // worker.
    void finish();

private:
    void run();

    JournalRecorder& recorder_;
    const Settings& settings_;
    EventPost post_;
    std::vector<JournalRow> againRows_;
    LocalTime againTime_;
    std::atomic<bool> failing_{false};
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<RowRequest> rows_;
    bool quitting_ = false;
    BoundedThread thread_;
};

}  // namespace orvanta
