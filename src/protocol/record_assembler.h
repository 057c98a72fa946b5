/*
 * Record intake: received bytes become lines at each carriage return; a
 * line is checked against the record accepted last, the expected sequence
 * value and its checksum; a good record is typed with its prefix, optional
 * carriage return and suffix.
 *
 * Collector record line: sequence value (0..9), data (never 13), checksum
 * low byte, checksum high byte, 13. The checksum is the 16-bit sum of the
 * sequence value and the data; a checksum byte of 13 is sent as 14.
 */
#pragma once

#include <cstdint>

#include "keys/keystroke_synthesizer.h"
#include "protocol/transfer_context.h"
#include "settings/settings.h"

namespace orvanta {

// Receives each complete line (in lineBuffer/lineLength). Returns 1 to go
// on with the rest of the chunk, 0 to drop it.
class LineHandler {
public:
    virtual ~LineHandler() = default;
    virtual int HandleLine() = 0;
};

class RecordAssembler {
public:
    RecordAssembler(TransferContext& transfer, LineHandler& handler);
    void feed(const std::uint8_t* bytes, std::uint32_t count);

private:
    TransferContext& transfer_;
    LineHandler& handler_;
};

enum class RecordVerdict { Repeat, Invalid, Valid };

RecordVerdict ClassifyRecord(const TransferContext& transfer);

// For a line found Valid: remembers it, types it, advances the sequence.
// False when it did not go in whole (no window to type into, the window
// went or a key was refused part-way): then nothing is remembered and the
// sequence stays.
[[nodiscard]] bool DeliverRecord(TransferContext& transfer, const Settings& settings, const WorkingCodes& working,
                                 KeystrokeSynthesizer& synthesizer);

// The two checksum bytes the collector sends for a 16-bit sum.
std::uint8_t checksumByte(std::uint8_t value);

}  // namespace orvanta
