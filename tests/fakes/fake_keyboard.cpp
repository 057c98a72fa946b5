/*
 * Layout tables of the fake keyboard: US English as VkKeyScan answers it,
 * and a German layout for the characters that need AltGr.
 */
#include "fakes/fake_keyboard.h"

namespace orvanta::fakes {
namespace {

constexpr std::int16_t key(int virtualKey, int shiftState = 0)
{
    return static_cast<std::int16_t>((shiftState << 8) | virtualKey);
}

void addPairs(LayoutTable& table, const char* plain, const char* shifted, const std::uint8_t* keys)
{
    for (int i = 0; plain[i] != 0; ++i) {
        table[static_cast<std::uint8_t>(plain[i])] = key(keys[i]);
        table[static_cast<std::uint8_t>(shifted[i])] = key(keys[i], 1);
    }
}

}  // namespace

LayoutTable usLayoutTable()
{
    LayoutTable table;
    table.fill(-1);
    for (int c = 'a'; c <= 'z'; ++c) {
        table[c] = key(c - 'a' + 'A');
        table[c - 'a' + 'A'] = key(c - 'a' + 'A', 1);
    }
    static const std::uint8_t digitKeys[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    addPairs(table, "0123456789", ")!@#$%^&*(", digitKeys);
    static const std::uint8_t oemKeys[] = {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE};
    addPairs(table, ";=,-./`[\\]'", ":+<_>?~{|}\"", oemKeys);
    table[' '] = key(' ');
    table[27] = key(0xDB, 2);   // Esc is Ctrl+[
    table[28] = key(0xDC, 2);
    table[127] = key(8, 2);     // DEL is Ctrl+Backspace
    return table;
}

LayoutTable germanLayoutTable()
{
    LayoutTable table = usLayoutTable();
    table['y'] = key('Z');
    table['z'] = key('Y');
    table['@'] = key('Q', 6);
    table['{'] = key('7', 6);
    table['['] = key('8', 6);
    table['\\'] = key(0xDB, 6);
    table[0x80] = key('E', 6);  // the euro sign in code page 1252
    return table;
}

FakeKeyboard::FakeKeyboard(EventLog& log) : log_(log)
{
    layouts[kUsLayout] = usLayoutTable();
    layouts[kGermanLayout] = germanLayoutTable();
}

void FakeKeyboard::keyEvent(std::uint8_t virtualKey, bool keyUp)
{
    log_.push_back(keyUp ? up(virtualKey) : down(virtualKey));
    if (keyUp)
        return;
    if (virtualKey == VkCapital && !(capsLockOn && shiftReleasesCapsLock))
        capsLockOn = !capsLockOn;
    else if (virtualKey == VkShift && shiftReleasesCapsLock)
        capsLockOn = false;
}

std::int16_t FakeKeyboard::scanChar(std::uint8_t character, KeyboardLayout layout)
{
    auto found = layouts.find(layout);
    return found == layouts.end() ? std::int16_t{-1} : found->second[character];
}

}  // namespace orvanta::fakes
