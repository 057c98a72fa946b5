/*
 * Which key events of a record go on to its window, decided event by event
 * as the system hands them on (the key watch's hook asks), apart from any
 * platform so that the rules can be tested on their own.
 *
 * The events of one character are judged as one: a modifier of somebody
 * else's that is down at the first holds them all back, and one that goes
 * down among them holds back every key-down from then on, as a window
 * that loses the front or its focus stops them. A key-up whose key-down
 * went on goes on as well, so that no key of the record is left down; one
 * whose key-down was held back is held back with it. Once a key of the
 * character that is no modifier has gone on (the first half of a Unicode
 * surrogate pair), the character is in: it is finished, modifiers or not,
 * since sending it again would type that half twice.
 */
#pragma once

#include <cstdint>
#include <optional>

#include "keys/keyboard.h"

namespace orvanta {

// One event of a record's character: which character (a running number),
// its place among the character's `count` events, the key it names (any
// value that tells the character's keys apart) and whether it is an up.
struct RecordKeyEvent {
    std::uint32_t character = 0;
    std::uint32_t index = 0;
    std::uint32_t count = 0;
    std::uint32_t key = 0;
    bool keyUp = false;
    bool modifier = false;   // Shift, Ctrl, Alt or a Windows key of the record's own
};

// Shift, Ctrl, Alt and the Windows keys, as a low-level hook names them.
bool isModifierKey(std::uint32_t virtualKey);

// What the judge needs to know of the moment an event goes in.
class KeyMoment {
public:
    virtual ~KeyMoment() = default;
    // The record's window has the front and a focused control.
    virtual bool windowKeepsFocus() = 0;
};

// The modifier keys, each with a bit of its own; a key that is no
// modifier has none. The plain Shift, Ctrl and Alt are the left ones, as
// the platform reports them.
std::uint32_t modifierBit(std::uint32_t virtualKey);

class RecordKeyJudge {
public:
    struct Decision {
        bool goesOn = false;
        std::optional<KeysFate> characterFate;   // at the character's last event
    };

    Decision judge(const RecordKeyEvent& event, KeyMoment& moment);
    // A key of somebody else's: the user's hand, or another program.
    void othersKey(std::uint32_t virtualKey, bool keyUp);
    // A new watch, with the modifiers (modifierBit) down as it begins;
    // from then on every key of somebody else's is seen.
    void reset(std::uint32_t othersDown = 0)
    {
        *this = RecordKeyJudge{};
        othersModifiers_ = othersDown;
    }

private:
    static constexpr std::uint32_t kMostEvents = 8;

    std::uint32_t character_ = ~0u;
    std::optional<KeysFate> stopped_;
    std::uint32_t passedDowns_[kMostEvents] = {};
    std::uint32_t passedCount_ = 0;
    bool keyIn_ = false;   // a key of the character that is no modifier has gone on
    std::uint32_t othersModifiers_ = 0;
};

}  // namespace orvanta
