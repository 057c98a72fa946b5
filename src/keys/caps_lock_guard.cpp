/*
 * Caps Lock handling. Windows can be set up so that the Caps Lock key
 * toggles, or so that only Shift releases it; the probe taps the key once
 * with Caps Lock on and watches what happens, then puts the state back.
 */
#include "keys/caps_lock_guard.h"

#include "keys/key_sequence.h"

namespace orvanta {
namespace {
constexpr std::uint32_t kProbeSettleMs = 5;
}

CapsLockGuard::CapsLockGuard(Keyboard& keyboard, Clock& clock, TypingState& typing)
    : keyboard_(keyboard), clock_(clock), typing_(typing)
{
}

void CapsLockGuard::probeMode()
{
    const std::uint8_t before = keyboard_.capsLockState();
    if (before == 0)
        tapKey(VirtualKey::Capital);
    tapKey(VirtualKey::Capital);
    clock_.sleepMs(kProbeSettleMs);
    const std::uint8_t after = keyboard_.capsLockState();
    if ((before ^ after) == 1)
        tapKey(after != 0 ? VirtualKey::Shift : VirtualKey::Capital);
    typing_.capsLockMode = after == 0 ? CapsLockMode::CapsKeyToggles : CapsLockMode::ShiftReleases;
}

bool CapsLockGuard::suspend()
{
    if (keyboard_.capsLockState() != 1)
        return false;
    tapKey(typing_.capsLockMode == CapsLockMode::CapsKeyToggles ? VirtualKey::Capital : VirtualKey::Shift);
    return true;
}

void CapsLockGuard::restore()
{
    tapKey(VirtualKey::Capital);
}

void CapsLockGuard::tapKey(std::uint8_t virtualKey)
{
    tapAlone(keyboard_, typing_.keyboardLayout, virtualKey);
}

}  // namespace orvanta
