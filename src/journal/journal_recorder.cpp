/*
 * A row for each record that went in, on the receive thread, in the pause
 * before the record's ACK.
 */
#include "journal/journal_recorder.h"

namespace orvanta {

// The record's data lie between its sequence value and its two checksum
// bytes; the bytes column keeps the whole line as it came.
void JournalRecorder::recordDelivered(const TransferContext& transfer)
{
    const auto length = static_cast<std::size_t>(transfer.lineLength);
    JournalRow row;
    row.time = sources_.now();
    row.comPort = settings_.comPort;
    row.record = length >= 3 ? sources_.textOf(transfer.lineBuffer + 1, length - 3) : std::string{};
    row.bytes.assign(reinterpret_cast<const char*>(transfer.lineBuffer), length);
    row.windowTitle = sources_.windowTitle(typing_.targetWindow);
    row.program = sources_.programOf(typing_.targetWindow);
    row.action = JournalAction::Typed;
    if (transfer.recordsAcknowledged == 0)
        transferTime_ = row.time;
    row.transfer = transferTime_;
    const std::lock_guard oneRowAtATime(writing_);
    failing_ = writer_.write(row) == JournalWrite::Failed;
}

void JournalRecorder::recordTypedAgain(const JournalRow& original, const LocalTime& batchTime)
{
    JournalRow row = original;
    row.time = sources_.now();
    row.windowTitle = sources_.windowTitle(typing_.targetWindow);
    row.program = sources_.programOf(typing_.targetWindow);
    row.action = JournalAction::TypedAgain;
    row.transfer = batchTime;
    const std::lock_guard oneRowAtATime(writing_);
    failing_ = writer_.write(row) == JournalWrite::Failed;
}

}  // namespace orvanta
