/*
 * Caps Lock handling. Windows can be set up so that the Caps Lock key
 * toggles, or so that only Shift releases it; the probe taps the key twice
 * and watches what each tap did, which tells the mode and, where the key
 * toggles, the state it found.
 */
#include "keys/caps_lock_guard.h"

#include "keys/key_sequence.h"

namespace orvanta {
namespace {
constexpr std::uint32_t kProbeSettleMs = 5;
// How long restore waits, at most, to see Caps Lock on again.
constexpr std::uint32_t kRestoreSettleMs = 50;
}  // namespace

CapsLockGuard::CapsLockGuard(Keyboard& keyboard, Clock& clock, TypingState& typing)
    : keyboard_(keyboard), clock_(clock), typing_(typing)
{
}

// Two taps that change nothing between them: the key only sets Caps Lock,
// which is on now; what it was before is then the first look's guess.
bool CapsLockGuard::probeMode()
{
    const std::uint8_t guess = keyboard_.capsLockState();
    tapKey(VirtualKey::Capital);
    clock_.sleepMs(kProbeSettleMs);
    const std::uint8_t once = keyboard_.capsLockState();
    tapKey(VirtualKey::Capital);
    clock_.sleepMs(kProbeSettleMs);
    const std::uint8_t twice = keyboard_.capsLockState();
    if (once == twice) {
        typing_.capsLockMode = CapsLockMode::ShiftReleases;
        tapKey(VirtualKey::Shift);
        return guess != 0;
    }
    typing_.capsLockMode = CapsLockMode::CapsKeyToggles;
    if (twice == 0)
        return false;
    tapKey(VirtualKey::Capital);
    return true;
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
    for (std::uint32_t waited = 0; keyboard_.capsLockState() != 1 && waited < kRestoreSettleMs; ++waited)
        clock_.sleepMs(1);
}

void CapsLockGuard::tapKey(std::uint8_t virtualKey)
{
    tapAlone(keyboard_, typing_.keyboardLayout, virtualKey);
}

}  // namespace orvanta
