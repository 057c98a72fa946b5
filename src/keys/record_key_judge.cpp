/*
 * The rules of a record's key events, one event at a time.
 */
#include "keys/record_key_judge.h"

#include <iterator>

namespace orvanta {

// Left and right apart, as a low-level hook names them; a key sent as the
// plain Shift, Ctrl or Alt is the left one, so that its up clears what its
// down set however either was named.
std::uint32_t modifierBit(std::uint32_t virtualKey)
{
    namespace Vk = VirtualKey;
    static const std::uint32_t kModifiers[] = {Vk::LShift, Vk::RShift, Vk::LControl, Vk::RControl,
                                               Vk::LMenu,  Vk::RMenu,  Vk::LWin,     Vk::RWin};
    switch (virtualKey) {
    case Vk::Shift: virtualKey = Vk::LShift; break;
    case Vk::Control: virtualKey = Vk::LControl; break;
    case Vk::Menu: virtualKey = Vk::LMenu; break;
    default: break;
    }
    for (std::uint32_t i = 0; i < std::size(kModifiers); ++i) {
        if (kModifiers[i] == virtualKey)
            return 1u << i;
    }
    return 0;
}

bool isModifierKey(std::uint32_t virtualKey)
{
    return modifierBit(virtualKey) != 0;
}

RecordKeyJudge::Decision RecordKeyJudge::judge(const RecordKeyEvent& event, KeyMoment& moment)
{
    if (event.character != character_) {
        character_ = event.character;
        passedCount_ = 0;
        keyIn_ = false;
        stopped_.reset();
        if (othersModifiers_ != 0)
            stopped_ = KeysFate::HeldBack;
    }
    Decision decision;
    if (event.keyUp) {
        for (std::uint32_t i = 0; i < passedCount_ && !decision.goesOn; ++i)
            decision.goesOn = passedDowns_[i] == event.key;
    } else {
        if (!stopped_ && othersModifiers_ != 0 && !keyIn_)
            stopped_ = KeysFate::HeldBack;
        if (!stopped_ && !moment.windowKeepsFocus())
            stopped_ = KeysFate::WindowLeft;
        decision.goesOn = !stopped_;
        if (decision.goesOn && passedCount_ < kMostEvents)
            passedDowns_[passedCount_++] = event.key;
        keyIn_ = keyIn_ || (decision.goesOn && !event.modifier);
    }
    if (event.index + 1 >= event.count)
        decision.characterFate = stopped_.value_or(KeysFate::WentIn);
    return decision;
}

void RecordKeyJudge::othersKey(std::uint32_t virtualKey, bool keyUp)
{
    const std::uint32_t bit = modifierBit(virtualKey);
    if (keyUp)
        othersModifiers_ &= ~bit;
    else
        othersModifiers_ |= bit;
}

}  // namespace orvanta
