/*
 * Key sequences: the events of one byte, with scan codes, in one piece.
 */
#include "keys/key_sequence.h"

namespace orvanta {

bool isExtendedKey(std::uint8_t virtualKey)
{
    switch (virtualKey) {
    case VirtualKey::Insert: case VirtualKey::Delete: case VirtualKey::Home: case VirtualKey::End:
    case VirtualKey::Prior: case VirtualKey::Next: case VirtualKey::Left: case VirtualKey::Up:
    case VirtualKey::Right: case VirtualKey::Down: case VirtualKey::RMenu: case VirtualKey::RControl:
        return true;
    default:
        return false;
    }
}

void KeySequence::tap(std::uint8_t virtualKey)
{
    press(virtualKey);
    release(virtualKey);
}

void KeySequence::typeUnit(std::uint16_t unit)
{
    add(KeyEvent{0, 0, unit, false, false, true});
    add(KeyEvent{0, 0, unit, true, false, true});
}

void KeySequence::addKey(std::uint8_t virtualKey, bool keyUp)
{
    add(KeyEvent{virtualKey, keyboard_.scanCodeOf(virtualKey, layout_), 0, keyUp, isExtendedKey(virtualKey),
                 false});
}

void KeySequence::add(const KeyEvent& event)
{
    if (count_ < kMaxKeyEvents)
        events_[count_++] = event;
}

std::uint32_t KeySequence::eventsThroughLastDown() const
{
    std::uint32_t through = count_;
    while (through > 0 && events_[through - 1].keyUp)
        --through;
    return through;
}

KeysFate KeySequence::send()
{
    return count_ == 0 ? KeysFate::WentIn : keyboard_.sendKeys(events_, count_);
}

void tapAlone(Keyboard& keyboard, KeyboardLayout layout, std::uint8_t virtualKey)
{
    KeySequence keys(keyboard, layout);
    keys.tap(virtualKey);
    (void)keys.send();
}

}  // namespace orvanta
