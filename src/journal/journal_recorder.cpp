/*
 * A row for each record that went in, on the journal's worker: a
 * transfer's record within the pause before its ACK, one typed again
 * after it went in.
 */
#include "journal/journal_recorder.h"

#include "protocol/record_assembler.h"

#include <chrono>

namespace orvanta {
namespace {

constexpr auto kEndWait = std::chrono::milliseconds(5000);

}  // namespace

// The record column holds the record's data, the bytes column the whole
// line as it came. A row typed
// again is the row chosen, with the window that took it now, in the batch
// begun at its batch time.
JournalRow JournalRecorder::rowOf(const RowRequest& request)
{
    JournalRow row;
    if (request.kind == RowKind::TypedAgain) {
        row = request.original;
        row.action = JournalAction::TypedAgain;
        row.transfer = request.batchTime;
    } else {
        const auto data =
            recordDataOf({reinterpret_cast<const std::uint8_t*>(request.line.data()), request.line.size()});
        row.comPort = request.comPort;
        row.record = sources_.textOf(data.data(), data.size());
        row.bytes = request.line;
        row.action = JournalAction::Typed;
    }
    row.time = sources_.now();
    row.windowTitle = sources_.windowTitle(request.window);
    row.program = sources_.programOf(request.window);
    return row;
}

JournalWrite JournalRecorder::record(const RowRequest& request)
{
    JournalRow row = rowOf(request);
    if (request.kind == RowKind::Typed) {
        if (request.firstOfTransfer)
            transferTime_ = row.time;
        row.transfer = transferTime_;
    }
    return writer_.write(row);
}

JournalWorker::JournalWorker(JournalRecorder& recorder, const Settings& settings, EventPost post,
                             std::function<void()> changed)
    : recorder_(recorder),
      settings_(settings),
      post_(std::move(post)),
      changed_(std::move(changed)),
      thread_([this] { run(); })
{
}

JournalWorker::~JournalWorker()
{
    finish();
}

void JournalWorker::finish()
{
    {
        const std::lock_guard hold(lock_);
        quitting_ = true;
        wake_.notify_all();
    }
    thread_.endWithin(kEndWait);
}

void JournalWorker::beginAgainBatch(std::vector<JournalRow> rows)
{
    againRows_ = std::move(rows);
    againTime_ = recorder_.now();
}

// Everything the row needs is taken now, on the engine's thread.
void JournalWorker::write(const actions::WriteJournalRow& row)
{
    RowRequest request;
    request.ticket = row.ticket;
    request.kind = row.kind;
    request.line.assign(reinterpret_cast<const char*>(row.line.data()), row.line.size());
    request.window = row.window;
    request.comPort = settings_.comPort;
    request.firstOfTransfer = row.firstOfTransfer;
    if (row.kind == RowKind::TypedAgain && row.againIndex < againRows_.size()) {
        request.original = againRows_[row.againIndex];
        request.batchTime = againTime_;
    }
    const std::lock_guard hold(lock_);
    rows_.push_back(std::move(request));
    wake_.notify_all();
}

JournalState JournalWorker::state() const
{
    const std::lock_guard hold(lock_);
    return state_;
}

// The records are typed and acknowledged whatever becomes of their rows:
// a journal that cannot be written says so elsewhere.
void JournalWorker::run()
{
    recorder_.start();
    noteState(JournalWrite::Written);
    while (const auto request = nextRow()) {
        const JournalWrite written = recorder_.record(*request);
        noteState(written);
        post_(events::JournalRowWritten{request->ticket, written != JournalWrite::Failed});
    }
}

// While rows wait in a pending file, their day's file is tried again
// between rows as well.
std::optional<RowRequest> JournalWorker::nextRow()
{
    std::unique_lock hold(lock_);
    while (rows_.empty() && !quitting_) {
        if (!recorder_.writer().hasPending()) {
            wake_.wait(hold);
        } else if (wake_.wait_for(hold, kPendingRetry) == std::cv_status::timeout) {
            hold.unlock();
            recorder_.writer().movePending();
            noteState(JournalWrite::Written);
            hold.lock();
        }
    }
    if (rows_.empty())
        return std::nullopt;
    RowRequest request = std::move(rows_.front());
    rows_.pop_front();
    return request;
}

void JournalWorker::noteState(JournalWrite lastWrite)
{
    const JournalWriter& writer = recorder_.writer();
    JournalState now;
    if (lastWrite == JournalWrite::Failed)
        now.health = JournalHealth::Failing;
    else if (writer.hasPending())
        now = {JournalHealth::Pending, writer.pendingFile()};
    {
        const std::lock_guard hold(lock_);
        if (now == state_)
            return;
        state_ = now;
    }
    if (changed_)
        changed_();
}

}  // namespace orvanta
