/*
 * Keystroke synthesis. Everything is decided from the byte, the layout
 * look-up and the platform version; the only pause is the one after each
 * byte, so the events of one character reach the target back to back.
 */
#include "keys/keystroke_synthesizer.h"

namespace orvanta {
namespace {

constexpr std::uint8_t kFirstFunctionCode = 15;
constexpr std::uint8_t kLastControlCode = 26;
constexpr std::uint8_t kFunctionKeyOffset = VkF1 - kFirstFunctionCode;  // 97

constexpr std::uint8_t kShiftState = 1, kCtrlState = 2, kAltState = 4, kAltGrState = 6;

constexpr std::uint8_t kControlKeys[kFirstFunctionCode] = {
    0,        VkInsert, VkDelete, VkHome, VkEnd,   VkUp,  VkDown, VkLeft,
    VkBack,   VkTab,    0,        VkRight, VkPrior, VkReturn, VkNext,
};

}  // namespace

std::uint8_t controlCodeKey(std::uint8_t byte)
{
    if (byte < kFirstFunctionCode)
        return kControlKeys[byte];
    if (byte <= kLastControlCode)
        return static_cast<std::uint8_t>(byte + kFunctionKeyOffset);
    return 0;
}

KeystrokeSynthesizer::KeystrokeSynthesizer(Keyboard& keyboard, Clock& clock, const Settings& settings,
                                           TransferContext& transfer, const int& platformMajorVersion)
    : keyboard_(keyboard), clock_(clock), settings_(settings), transfer_(transfer),
      platformMajorVersion_(platformMajorVersion)
{
}

void KeystrokeSynthesizer::typeBytes(const std::uint8_t* bytes, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i) {
        typeByte(bytes[i]);
        clock_.sleepMs(static_cast<std::uint32_t>(settings_.charDelayMs));
    }
}

void KeystrokeSynthesizer::captureLayout()
{
    if (transfer_.keyboardLayout == 0)
        transfer_.keyboardLayout = keyboard_.foregroundLayout();
}

void KeystrokeSynthesizer::typeByte(std::uint8_t byte)
{
    if (byte > kLastControlCode) {
        typeCharacter(byte);
        return;
    }
    if (std::uint8_t key = controlCodeKey(byte))
        tapKey(key);
}

void KeystrokeSynthesizer::typeCharacter(std::uint8_t byte)
{
    const auto scan = static_cast<std::uint16_t>(keyboard_.scanChar(byte, transfer_.keyboardLayout));
    const auto virtualKey = static_cast<std::uint8_t>(scan & 0xFF);
    switch (scan >> 8) {
    case kShiftState: tapWith(VkShift, virtualKey); break;
    case kCtrlState: tapWith(VkControl, virtualKey); break;
    case kAltState: tapWith(VkMenu, virtualKey); break;
    case kAltGrState: tapWithAltGr(virtualKey); break;
    default: tapKey(virtualKey); break;  // also a failed look-up: key 255
    }
}

void KeystrokeSynthesizer::tapWith(std::uint8_t modifier, std::uint8_t virtualKey)
{
    keyboard_.keyEvent(modifier, false);
    tapKey(virtualKey);
    keyboard_.keyEvent(modifier, true);
}

// Windows 2000/XP know the right Alt key as AltGr. Every NT version,
// including all since Vista, takes Ctrl+Alt as AltGr as well; tapping the
// key alone there would type the unshifted character instead.
void KeystrokeSynthesizer::tapWithAltGr(std::uint8_t virtualKey)
{
    if (platformMajorVersion_ == 5) {
        tapWith(VkRMenu, virtualKey);
    } else if (platformMajorVersion_ >= 4) {
        keyboard_.keyEvent(VkControl, false);
        keyboard_.keyEvent(VkMenu, false);
        tapKey(virtualKey);
        keyboard_.keyEvent(VkControl, true);
        keyboard_.keyEvent(VkMenu, true);
    } else {
        tapKey(virtualKey);
    }
}

void KeystrokeSynthesizer::tapKey(std::uint8_t virtualKey)
{
    keyboard_.keyEvent(virtualKey, false);
    keyboard_.keyEvent(virtualKey, true);
}

}  // namespace orvanta
