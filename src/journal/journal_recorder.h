/*
 * The journal as the engine sees it: each record that went in becomes a
 * row, with the moment, the port, the text as typed, the bytes as
 * received, and the window and program that took it; a record typed
 * again becomes a row of its own. The rows are written on a worker of
 * their own, in the order they were asked for, and each is answered, so
 * that a record's ACK waits for its row and nothing else waits for the
 * disk. What only the platform knows comes through JournalSources.
 *
 * The worker also says how the journal fares: written as usual, rows
 * waiting in a pending file while their day's file is held elsewhere (it
 * tries that file again every few seconds), or not written at all.
 */
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
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

    // On the journal's worker.
    void start() { writer_.start(sources_.now()); }
    JournalWrite record(const RowRequest& request);
    LocalTime now() { return sources_.now(); }
    JournalWriter& writer() { return writer_; }

private:
    JournalRow rowOf(const RowRequest& request);

    JournalWriter& writer_;
    JournalSources& sources_;
    LocalTime transferTime_;   // of the transfer's first record
};

enum class JournalHealth { Writing, Pending, Failing };

struct JournalState {
    JournalHealth health = JournalHealth::Writing;
    std::string pendingFile;   // Pending: where the rows wait ("2026-12-10 pending.csv")
    bool operator==(const JournalState&) const = default;
};

// How often rows that wait try their day's file again.
constexpr auto kPendingRetry = std::chrono::seconds(5);

class JournalWorker final : public JournalPen {
public:
    // `changed` is called on the worker whenever state() changes.
    JournalWorker(JournalRecorder& recorder, const Settings& settings, EventPost post,
                  std::function<void()> changed = {});
    ~JournalWorker() override;
    JournalWorker(const JournalWorker&) = delete;
    JournalWorker& operator=(const JournalWorker&) = delete;

    // The rows a batch typed again was chosen from, before it is typed.
    void beginAgainBatch(std::vector<JournalRow> rows);
    void write(const actions::WriteJournalRow& row) override;
    JournalState state() const;
    // Writes the rows still queued, for at most 5 s (a disk that does not
    // answer in that time is left to the end of the process), and ends the
    // worker.
    void finish();

private:
    void run();
    std::optional<RowRequest> nextRow();
    void noteState(JournalWrite lastWrite);

    JournalRecorder& recorder_;
    const Settings& settings_;
    EventPost post_;
    std::function<void()> changed_;
    std::vector<JournalRow> againRows_;
    LocalTime againTime_;
    JournalState state_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<RowRequest> rows_;
    bool quitting_ = false;
    BoundedThread thread_;
};

}  // namespace orvanta
