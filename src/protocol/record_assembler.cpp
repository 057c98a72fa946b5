/*
 * Line assembly and record validation, in the transfer record's fixed
 * buffers.
 */
#include "protocol/record_assembler.h"

#include <cstring>

namespace orvanta {
namespace {

// A line that has grown past the longest record without a carriage return.
constexpr std::int32_t kOverflowed = kMaxLineLength + 1;

constexpr std::uint8_t kSubstitutedChecksumByte = 14;

}  // namespace

void RecordAssembler::beginChunk(const std::uint8_t* bytes, std::uint32_t count, std::uint64_t position)
{
    chunk_ = bytes;
    left_ = count;
    taken_ = 0;
    chunkStart_ = position;
}

// An over-long line is never handed on: the carriage return that ends it
// only brings the assembler back to collecting. The collector hears nothing
// and gets its NAK from the time-out.
bool RecordAssembler::nextLine()
{
    TransferContext& t = transfer_;
    if (lineOut_)
        t.lineLength = 0;
    lineOut_ = false;
    while (taken_ < left_) {
        const std::uint8_t byte = chunk_[taken_++];
        if (t.lineLength >= kOverflowed) {
            if (byte == kCarriageReturn)
                t.lineLength = 0;
        } else if (byte != kCarriageReturn) {
            t.lineBuffer[t.lineLength++] = byte;
        } else {
            t.lineBuffer[t.lineLength] = 0;
            t.lineEnd = chunkStart_ + taken_;
            return lineOut_ = true;
        }
    }
    return false;
}

void RecordAssembler::dropRest()
{
    transfer_.lineLength = 0;
    lineOut_ = false;
    taken_ = left_;
}

std::uint8_t checksumByte(std::uint8_t value)
{
    return value == kCarriageReturn ? kSubstitutedChecksumByte : value;
}

// Only the whole record accepted last is a repeat. An empty line, or a
// piece of a line, is no answer the collector could be given "ACK" for: it
// would take the record it is sending as delivered although nothing was
// typed. Such a line goes the NAK way, and the collector sends again.
RecordVerdict classifyRecord(const TransferContext& transfer)
{
    const std::int32_t length = transfer.lineLength;
    const std::uint8_t* line = transfer.lineBuffer;
    if (length > 0 && length == transfer.lastRecordLength
        && std::memcmp(line, transfer.lastRecord, static_cast<std::size_t>(length)) == 0)
        return RecordVerdict::Repeat;
    if (line[0] != transfer.expectedSequence || length < 3)
        return RecordVerdict::Invalid;
    std::uint16_t sum = 0;
    for (std::int32_t i = 0; i < length - 2; ++i)
        sum = static_cast<std::uint16_t>(sum + line[i]);
    const bool matches = line[length - 2] == checksumByte(static_cast<std::uint8_t>(sum & 0xFF))
                         && line[length - 1] == checksumByte(static_cast<std::uint8_t>(sum >> 8));
    return matches ? RecordVerdict::Valid : RecordVerdict::Invalid;
}

}  // namespace orvanta
