/*
 * Typing a checked record, on the receive thread.
 */
#include "protocol/key_delivery.h"

#include <cstring>

namespace orvanta {
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
Delivery KeyDelivery::deliver(TransferContext& transfer)
{
    const std::int32_t length = transfer.lineLength;
    const std::uint8_t* line = transfer.lineBuffer;
    std::memset(transfer.lastRecord, 0, sizeof transfer.lastRecord);
    std::memcpy(transfer.lastRecord, line, static_cast<std::size_t>(length));
    transfer.lastRecordLength = length;
    const Delivery delivered = typeData({line + 1, static_cast<std::size_t>(length - 3)});
    if (delivered != Delivery::Delivered) {
        forgetLastRecord(transfer);
        return delivered;
    }
    transfer.expectedSequence = static_cast<std::uint8_t>((transfer.expectedSequence + 1) % kSequenceModulus);
    return Delivery::Delivered;
}

Delivery KeyDelivery::typeData(std::span<const std::uint8_t> data)
{
    const std::lock_guard turn(recordTurn_);
    const RecordKeys keys{codesToType(settings_.prefixEnabled, working_.workingPrefix), data, settings_.addCr > 0,
                          codesToType(settings_.suffixEnabled, working_.workingSuffix)};
    if (synthesizer_.typeRecord(keys))
        return Delivery::Delivered;
    const bool windowThere = typing_.stopRequested || synthesizer_.hasTypingTarget();
    return windowThere ? Delivery::NotWhole : Delivery::NoWindow;
}

}  // namespace orvanta
