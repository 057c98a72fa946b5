/*
 * Record intake: received bytes become lines at each carriage return, and
 * a line is checked against the record accepted last, the expected
 * sequence value and its checksum.
 *
 * Collector record line: sequence value (0..9), data (never 13), checksum
 * low byte, checksum high byte, 13. The checksum is the 16-bit sum of the
 * sequence value and the data; a checksum byte of 13 is sent as 14.
 */
#pragma once

#include <cstdint>
#include <span>

#include "protocol/transfer_context.h"

namespace orvanta {

enum class LineOutcome { GoOn, DropRest };

// Lines out of the chunks the port gives: each complete line is left in
// the transfer's lineBuffer/lineLength until the next is asked for.
class RecordAssembler {
public:
    explicit RecordAssembler(TransferContext& transfer) : transfer_(transfer) {}
    // A chunk to take lines from, which starts at the given position of
    // the bytes received over the connection.
    void beginChunk(const std::uint8_t* bytes, std::uint32_t count, std::uint64_t position);
    // True when the next complete line of the chunk is in lineBuffer.
    [[nodiscard]] bool nextLine();
    // The rest of the chunk is dropped, and the line handed out with it.
    void dropRest();

private:
    TransferContext& transfer_;
    const std::uint8_t* chunk_ = nullptr;
    std::uint32_t left_ = 0;
    std::uint64_t chunkStart_ = 0;   // the chunk's position in the bytes received
    std::uint32_t taken_ = 0;
    bool lineOut_ = false;           // a line was handed out and is done with
};

enum class RecordVerdict { Repeat, Invalid, Valid };

RecordVerdict classifyRecord(const TransferContext& transfer);

// The two checksum bytes the collector sends for a 16-bit sum.
std::uint8_t checksumByte(std::uint8_t value);

// A record's data: its line (without the CR) but for the sequence value
// before them and the two checksum bytes after them; none for a line too
// short to hold them.
inline std::span<const std::uint8_t> recordDataOf(std::span<const std::uint8_t> line)
{
    return line.size() >= 3 ? line.subspan(1, line.size() - 3) : std::span<const std::uint8_t>{};
}

}  // namespace orvanta
