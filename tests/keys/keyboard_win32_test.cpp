#include <gtest/gtest.h>

#include "keys/keyboard_win32.h"

namespace orvanta {
namespace {

struct InputCase {
    const char* name;
    KeyEvent event;
    WORD virtualKey, scanCode;
    DWORD flags;
};

// The SendInput record of each kind of event, field by field.
TEST(Win32Keyboard, EachKeyEventBecomesTheInputRecordItNames)
{
    const InputCase cases[] = {
        {"key down", {'A', 0x1E, 0, false, false, false}, 'A', 0x1E, 0},
        {"key up", {'A', 0x1E, 0, true, false, false}, 'A', 0x1E, KEYEVENTF_KEYUP},
        {"extended key down", {VK_INSERT, 0x52, 0, false, true, false}, VK_INSERT, 0x52, KEYEVENTF_EXTENDEDKEY},
        {"extended key up", {VK_RMENU, 0x38, 0, true, true, false}, VK_RMENU, 0x38,
         KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP},
        {"Unicode down", {0, 0, 0x20AC, false, false, true}, 0, 0x20AC, KEYEVENTF_UNICODE},
        {"Unicode up", {0, 0, 0x1C, true, false, true}, 0, 0x1C, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP},
    };
    for (const InputCase& c : cases) {
        const INPUT input = toInput(c.event);
        EXPECT_EQ(input.type, static_cast<DWORD>(INPUT_KEYBOARD)) << c.name;
        EXPECT_EQ(input.ki.wVk, c.virtualKey) << c.name;
        EXPECT_EQ(input.ki.wScan, c.scanCode) << c.name;
        EXPECT_EQ(input.ki.dwFlags, c.flags) << c.name;
        EXPECT_EQ(input.ki.time, 0u) << c.name;
        EXPECT_EQ(input.ki.dwExtraInfo, 0u) << c.name;
    }
}

struct LengthCase {
    UINT codePage;
    std::uint8_t firstByte;
    std::uint32_t length;
};

TEST(Win32Keyboard, MultiByteCharactersAreTakenWhole)
{
    const LengthCase cases[] = {
        {1252, 0x80, 1}, {1252, 'a', 1}, {CP_UTF8, 'a', 1}, {CP_UTF8, 0xC3, 2}, {CP_UTF8, 0xE2, 3},
        {CP_UTF8, 0xF0, 4}, {CP_UTF8, 0x80, 1}, {932, 0x82, 2}, {932, 'a', 1}, {932, 0xB1, 1},
    };
    for (const LengthCase& c : cases)
        EXPECT_EQ(ansiCharacterLength(c.codePage, c.firstByte), c.length)
            << "code page " << c.codePage << ", byte " << int{c.firstByte};
}

TEST(Win32Keyboard, DecodesFromTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "written for code page 1252";
    Win32Keyboard keyboard;
    const std::uint8_t euro[] = {0x80};
    const AnsiCharacter character = keyboard.decodeAnsi(euro, 1);
    EXPECT_EQ(character.length, 1);
    ASSERT_EQ(character.unitCount, 1);
    EXPECT_EQ(character.units[0], 0x20AC);
}

}  // namespace
}  // namespace orvanta
