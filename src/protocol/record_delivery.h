/*
 * Delivery: a record that passed its checks is typed with its prefix,
 * optional carriage return and suffix, and the answer is whether it went
 * in whole.
 */
#pragma once

#include "keys/keystroke_synthesizer.h"
#include "protocol/transfer_context.h"
#include "settings/settings.h"

namespace orvanta {

enum class Delivery {
    Delivered,   // every key went in
    NotWhole,    // stopped part-way: the window changed, a key was refused, or Stop
    NoWindow,    // no window can take records now
};

class RecordDelivery {
public:
    RecordDelivery(const Settings& settings, const WorkingCodes& working, KeystrokeSynthesizer& synthesizer)
        : settings_(settings), working_(working), synthesizer_(synthesizer)
    {
    }

    // For the valid line in transfer's lineBuffer: remembers it, types it,
    // advances the sequence. A record not delivered is not remembered and
    // the sequence stays.
    [[nodiscard]] Delivery deliver(TransferContext& transfer);
    bool windowTakesRecords() { return synthesizer_.hasTypingTarget(); }

private:
    const Settings& settings_;
    const WorkingCodes& working_;
    KeystrokeSynthesizer& synthesizer_;
};

}  // namespace orvanta
