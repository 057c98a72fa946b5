/*
 * Typing again from the journal. A record's data are its line as received
 * without the sequence value and the two checksum bytes.
 */
#include "journal/type_again.h"

namespace orvanta {

// Typing stopped by the last Stop would stop these records too: the
// user's choice to type them again lifts it.
TypeAgainResult typeAgain(const std::vector<JournalRow>& records, KeyDelivery& delivery, TypingState& typing,
                          JournalRecorder& journal)
{
    typing.stopRequested = false;
    const LocalTime batchTime = journal.now();
    TypeAgainResult result;
    for (const JournalRow& record : records) {
        const auto* line = reinterpret_cast<const std::uint8_t*>(record.bytes.data());
        const std::size_t length = record.bytes.size();
        const std::span<const std::uint8_t> data =
            length >= 3 ? std::span<const std::uint8_t>{line + 1, length - 3} : std::span<const std::uint8_t>{};
        switch (delivery.typeData(data)) {
        case Delivery::Delivered: break;
        case Delivery::NoWindow: result.end = TypeAgainEnd::NoWindow; return result;
        case Delivery::NotWhole: result.end = TypeAgainEnd::NotWhole; return result;
        }
        journal.recordTypedAgain(record, batchTime);
        ++result.typed;
    }
    return result;
}

}  // namespace orvanta
