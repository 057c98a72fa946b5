/*
 * The record of the transfer under way: where the conversation stands,
 * its retry counts, the line being assembled, the record accepted last
 * and what the repeat rule needs to know. The engine alone writes it, on
 * the one thread that runs the engine.
 */
#pragma once

#include <cstdint>

namespace orvanta {

enum class TransferState : std::int32_t { AwaitingAck = 0, Receiving = 1, Complete = 2 };

constexpr int kLineBufferSize = 1024;
constexpr int kMaxLineLength = 1014;   // longest line handed on, without its CR
constexpr std::uint8_t kCarriageReturn = 13;
constexpr int kSequenceModulus = 10;

struct TransferContext {
    TransferState state = TransferState::AwaitingAck;
    std::uint32_t readRetryCount = 0;
    std::uint32_t nakRetryCount = 0;
    // Set while the port is open for a transfer or a keep-online series.
    bool running = false;
    std::uint8_t expectedSequence = 0;
    std::uint8_t lineBuffer[kLineBufferSize] = {};
    std::int32_t lineLength = 0;
    // Every byte received, counted over the connection; while a line is
    // handled, the count up to its carriage return (the bytes after it are
    // the difference); and how many bytes had reached the port when the
    // last ACK went out.
    std::uint64_t bytesReceived = 0;
    std::uint64_t lineEnd = 0;
    std::uint64_t receivedBeforeAck = 0;
    std::uint8_t lastRecord[kLineBufferSize] = {};
    std::int32_t lastRecordLength = 0;   // 0: no record accepted since the last reset
    // A record came and no window could take it: the transfer goes quiet
    // until one can. Lines that come meanwhile (the collector repeating
    // its record) are not answered.
    bool waitingForRecordWindow = false;
    std::uint32_t recordWindowLooks = 0;   // looks since that wait began
    std::uint32_t recordsAcknowledged = 0;
};

// Forgets the record accepted last (transfer reset, keep-online restart).
inline void forgetLastRecord(TransferContext& transfer)
{
    for (auto& byte : transfer.lastRecord)
        byte = 0;
    transfer.lastRecordLength = 0;
}

}  // namespace orvanta
