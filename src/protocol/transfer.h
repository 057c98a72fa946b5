/*
 * The conversation with the collector: "READ\r", its acknowledgement,
 * record lines answered with "ACK\r" or (after a time-out) "NAK\r", and
 * the end marker. Lines are handled on the receive thread; time-outs on
 * the UI thread. The protocol timer hands the turn from one to the other.
 */
#pragma once

#include <cstdint>

#include "protocol/protocol_timer.h"
#include "protocol/record_assembler.h"

namespace orvanta {

struct Program;

constexpr std::uint32_t kAnswerTimeoutMs = 300;
constexpr std::uint32_t kHandOverMs = 1;
constexpr std::uint32_t kAfterAckPauseMs = 100;
constexpr std::uint32_t kRetryLimit = 5;   // more re-sends than this give up

class TransferLineHandler final : public LineHandler {
public:
    explicit TransferLineHandler(Program& program) : program_(program) {}
    int HandleLine() override;

private:
    int HandleAcknowledgement();
    int HandleRecordLine();
    int AcknowledgeTypedRecord();
    bool AnswerRepeat();
    Program& program_;
};

// Opens the port and sends the first "READ\r". Returns 1, or the failing
// open's value, or PortWriteFailed. The caller closes the port on failure.
int StartTransfer(Program& program);

// After a received chunk: while a record line is still arriving, its answer
// time-out starts again, so a slow line is not answered with NAK half-way.
void KeepAnswerTimeWhileLineArrives(Program& program);

void OnProtocolTimeout(Program& program, WindowId window, std::uintptr_t timerId);
int UnattendedTimeoutStep(Program& program);
void ResetTransfer(Program& program);

// The READ time-out: the polling period with keep-online, else 300 ms.
std::uint32_t readTimeoutMs(const Program& program);

}  // namespace orvanta
