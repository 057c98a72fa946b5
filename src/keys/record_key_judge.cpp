/*
 * The rules of a record's key events, one event at a time.
 */
#include "keys/record_key_judge.h"

#include <iterator>

namespace orvanta {
namespace {

// The modifier keys as a low-level hook names them (left and right apart),
// each with a bit of its own.
std::uint32_t modifierBit(std::uint32_t virtualKey)
{
    namespace Vk = VirtualKey;
    static const std::uint32_t kModifiers[] = {Vk::Shift, Vk::LShift,   Vk::RShift, Vk::Control,
                                               Vk::LControl, Vk::RControl, Vk::Menu,   Vk::LMenu,
                                               Vk::RMenu,    Vk::LWin,     Vk::RWin};
    for (std::uint32_t i = 0; i < std::size(kModifiers); ++i) {
        if (kModifiers[i] == virtualKey)
            return 1u << i;
    }
    return 0;
}

}  // namespace

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
        if (moment.modifierAlreadyDown())
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
