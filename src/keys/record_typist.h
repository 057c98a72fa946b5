/*
 * One record as the typing worker types it, whether a transfer's or one
 * typed again from the journal, under the same rules: a window that can
 * take it, Caps Lock out of the way, every key watched as it goes in, and
 * Caps Lock back. What it says of the record is all the engine hears.
 */
#pragma once

#include <cstdint>
#include <vector>

#include "keys/caps_lock_guard.h"
#include "keys/keystroke_synthesizer.h"
#include "keys/typing_outcome.h"
#include "keys/typing_state.h"
#include "platform/clock.h"
#include "settings/settings.h"

namespace orvanta {

// A record with its framing, as the settings framed it when it was given.
struct RecordJob {
    Ticket ticket = 0;
    std::vector<std::uint8_t> prefix;
    std::vector<std::uint8_t> data;
    bool carriageReturn = false;
    std::vector<std::uint8_t> suffix;
    std::int32_t charDelayMs = kMinCharDelayMs;
    // The first of a start or of a batch: Caps Lock is looked at anew.
    bool fresh = false;
    // Stopped before its turn came: answered without a key.
    bool stopped = false;
};

struct TypedRecord {
    Ticket ticket = 0;
    TypingOutcome outcome = TypingOutcome::NotWhole;
    std::uint64_t typedAtUs = 0;   // when the gap after its last key ended
    WindowId window = 0;           // the record window it went to
};

// The prefix and suffix codes a record is typed with, and its CR, from the
// settings and the working code lists; and what of its data is typed:
// with "Type only characters, Tab and Enter from records" on, its bytes 1
// to 27 but Tab and CR type nothing.
RecordJob frameRecord(const Settings& settings, const WorkingCodes& working, std::span<const std::uint8_t> data);

class RecordTypist {
public:
    RecordTypist(Keyboard& keyboard, Clock& clock, const int& platformMajorVersion);
    RecordTypist(const RecordTypist&) = delete;
    RecordTypist& operator=(const RecordTypist&) = delete;

    [[nodiscard]] TypedRecord type(const RecordJob& job);
    // Whether the window in front could take a record now; any thread.
    bool recordWindowThere() { return synthesizer_.recordWindowThere(); }
    TypingState& typing() { return typing_; }

private:
    TypingOutcome typeWhole(const RecordJob& job);

    Clock& clock_;
    Settings pace_{};   // the job's own pause after each byte
    TypingState typing_;
    KeystrokeSynthesizer synthesizer_;
    CapsLockGuard capsLock_;
};

}  // namespace orvanta
