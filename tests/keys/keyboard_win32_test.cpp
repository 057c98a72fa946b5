#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The hook knows a record's events by their tag alone, ups included: wine
// reports the up of a Unicode character without LLKHF_UP.
TEST(KeyWatch, ATagCarriesTheEventItNames)
{
    for (const bool keyUp : {false, true}) {
        KBDLLHOOKSTRUCT key{};
        key.vkCode = VK_PACKET;
        key.scanCode = 0xEA;
        key.dwExtraInfo = KeyWatch::tag(0xABCDEF, 5, 8, keyUp);
        const RecordKeyEvent event = KeyWatch::recordEventOf(key);
        EXPECT_EQ(event.character, 0xABCDEFu);
        EXPECT_EQ(event.index, 5u);
        EXPECT_EQ(event.count, 8u);
        EXPECT_EQ(event.keyUp, keyUp);
        EXPECT_EQ(event.key, (std::uint32_t{VK_PACKET} << 16) | 0xEA);
    }
}

struct DecodeCase {
    UINT codePage;
    std::vector<std::uint8_t> bytes;
    std::uint32_t length;   // 0: no valid character
    std::uint16_t unit;
};

// What the platform's own tables say a record's bytes are, in the code
// pages of Western, Japanese and UTF-8 PCs: a character that is cut short
// or ill-formed is none, and takes no byte after its first.
TEST(Win32Keyboard, DecodesEachCodePageAndRefusesWhatIsNoCharacter)
{
    const DecodeCase cases[] = {
        {1252, {0x80}, 1, 0x20AC},
        {1252, {0xE9, 0x0D}, 1, 0xE9},
        {932, {0x82, 0xA0}, 2, 0x3042},
        {932, {0xB1}, 1, 0xFF71},
        {932, {0xE9}, 0, 0},
        {932, {0xE9, 0x0D}, 0, 0},
        {932, {0x82, 0x20}, 0, 0},
        {CP_UTF8, {0xE2, 0x82, 0xAC}, 3, 0x20AC},
        {CP_UTF8, {0xE2, 0x82, 0x41}, 0, 0},
        {CP_UTF8, {0xE2, 0x82}, 0, 0},
        {CP_UTF8, {0x80}, 0, 0},
        {CP_UTF8, {0xC0, 0xAF}, 0, 0},
        {CP_UTF8, {0xED, 0xA0, 0x80}, 0, 0},
    };
    for (const DecodeCase& c : cases) {
        const AnsiCharacter character =
            decodeAnsiIn(c.codePage, c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()));
        const std::string name = "code page " + std::to_string(c.codePage) + ", first byte " + std::to_string(c.bytes[0]);
        EXPECT_EQ(character.valid, c.length > 0) << name;
        EXPECT_EQ(character.length, c.length > 0 ? c.length : 1) << name;
        if (c.length > 0) {
            EXPECT_EQ(character.units[0], c.unit) << name;
        }
    }
}

}  // namespace
}  // namespace orvanta
