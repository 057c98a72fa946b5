/*
 * Line assembly, record validation and delivery. All of it runs on the
 * receive thread and works in the transfer record's fixed buffers.
 */
#include "protocol/record_assembler.h"

#include <cstring>

namespace orvanta {
namespace {

// A line that has grown past the longest record without a carriage return.
constexpr std::int32_t kOverflowed = kMaxLineLength + 1;

constexpr std::uint8_t kSubstitutedChecksumByte = 14;

}  // namespace

RecordAssembler::RecordAssembler(TransferContext& transfer, LineHandler& handler)
    : transfer_(transfer), handler_(handler)
{
}

// An over-long line is never handed on: the carriage return that ends it
// only brings the assembler back to collecting. The collector hears nothing
// and gets its NAK from the time-out.
void RecordAssembler::feed(const std::uint8_t* bytes, std::uint32_t count)
{
    TransferContext& t = transfer_;
    const std::uint64_t before = t.bytesReceived;
    t.bytesReceived += count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];
        if (t.lineLength >= kOverflowed) {
            if (byte == kCarriageReturn)
                t.lineLength = 0;
            continue;
        }
        if (byte != kCarriageReturn) {
            t.lineBuffer[t.lineLength++] = byte;
            continue;
        }
        t.lineBuffer[t.lineLength] = 0;
        t.lineEnd = before + i + 1;
        const int goOn = handler_.HandleLine();
        t.lineLength = 0;
        if (goOn == 0)
            return;
    }
}

std::uint8_t checksumByte(std::uint8_t value)
{
    return value == kCarriageReturn ? kSubstitutedChecksumByte : value;
}

// Only the whole record accepted last is a repeat. An empty line, or a
// piece of a line, is no answer the collector could be given "ACK" for: it
// would take the record it is sending as delivered although nothing was
// typed. Such a line goes the NAK way, and the collector sends again.
RecordVerdict ClassifyRecord(const TransferContext& transfer)
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

namespace {

std::span<const std::uint8_t> codesToType(std::int8_t enabled, const std::uint8_t (&list)[kWorkingListSize])
{
    return {list, enabled > 0 ? typedLength(list) : 0};
}

}  // namespace

// A record is typed only into a window that can take it, and it counts as
// delivered once every key of it went in: what the application does with
// them afterwards (a field disabled while it looks the code up, a dialog,
// a window that closes) does not make it undelivered. A record that did
// not go in whole is not remembered, so that the collector's next copy of
// it is typed, not taken for a repeat.
bool DeliverRecord(TransferContext& transfer, const Settings& settings, const WorkingCodes& working,
                   KeystrokeSynthesizer& synthesizer)
{
    const std::int32_t length = transfer.lineLength;
    const std::uint8_t* line = transfer.lineBuffer;
    std::memset(transfer.lastRecord, 0, sizeof transfer.lastRecord);
    std::memcpy(transfer.lastRecord, line, static_cast<std::size_t>(length));
    transfer.lastRecordLength = length;

    const RecordKeys keys{codesToType(settings.prefixEnabled, working.workingPrefix),
                          {line + 1, static_cast<std::size_t>(length - 3)}, settings.addCr > 0,
                          codesToType(settings.suffixEnabled, working.workingSuffix)};
    if (!synthesizer.typeRecord(keys)) {
        ForgetLastRecord(transfer);
        return false;
    }
    transfer.expectedSequence = static_cast<std::uint8_t>((transfer.expectedSequence + 1) % kSequenceModulus);
    return true;
}

}  // namespace orvanta
