/*
 * Typing records of the journal again, when the user chose them: under the
 * same rules as a transfer (only into a window that can take them, each
 * whole, framed as the settings frame a record now), each journaled as
 * typed again. Nothing is typed again without that choice.
 */
#pragma once

#include <cstddef>
#include <vector>

#include "journal/journal_recorder.h"
#include "protocol/key_delivery.h"

namespace orvanta {

enum class TypeAgainEnd { AllTyped, NoWindow, NotWhole };

struct TypeAgainResult {
    std::size_t typed = 0;   // the first records, typed whole
    TypeAgainEnd end = TypeAgainEnd::AllTyped;

    bool operator==(const TypeAgainResult&) const = default;
};

// Types the records in order and stops at the first one that does not go
// in whole: a record is never typed twice, nor one after a gap. Runs on a
// thread of its own; the records of a transfer take turns with these.
TypeAgainResult typeAgain(const std::vector<JournalRow>& records, KeyDelivery& delivery, TypingState& typing,
                          JournalRecorder& journal);

}  // namespace orvanta
