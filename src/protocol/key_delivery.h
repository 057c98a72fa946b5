/*
 * Delivery by keystrokes: a checked record is typed with its prefix,
 * optional carriage return and suffix into the window in front.
 */
#pragma once

#include <mutex>
#include <span>

#include "keys/keystroke_synthesizer.h"
#include "keys/typing_state.h"
#include "protocol/record_delivery.h"
#include "settings/settings.h"

namespace orvanta {

class KeyDelivery final : public RecordDelivery {
public:
    KeyDelivery(const Settings& settings, const WorkingCodes& working, KeystrokeSynthesizer& synthesizer,
                TypingState& typing)
        : settings_(settings), working_(working), synthesizer_(synthesizer), typing_(typing)
    {
    }

    [[nodiscard]] Delivery deliver(TransferContext& transfer) override;
    // A record's data, framed as a transfer frames it, typed whole or not
    // at all into the window that can take it. Records typed from another
    // thread (typed again from the journal) take turns with a transfer's,
    // a whole record at a time.
    [[nodiscard]] Delivery typeData(std::span<const std::uint8_t> data);
    bool windowTakesRecords() override { return synthesizer_.hasTypingTarget(); }
    void stopTyping() override { typing_.stopRequested = true; }
    void allowTyping() override { typing_.stopRequested = false; }
    void forgetTyping() override { typing_.forget(); }

private:
    const Settings& settings_;
    const WorkingCodes& working_;
    KeystrokeSynthesizer& synthesizer_;
    TypingState& typing_;
    std::mutex recordTurn_;
};

}  // namespace orvanta
