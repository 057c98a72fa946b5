/*
 * Layout tables of the fake keyboard: US English as VkKeyScan answers it,
 * and a German layout with the characters that need AltGr, a letter on a
 * key of its own and dead keys. Scan codes are those of a PC keyboard; on
 * the German one Y and Z change places.
 */
#include "fakes/fake_keyboard.h"

namespace orvanta::fakes {
namespace {

namespace Vk = VirtualKey;

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

ScanCodeTable usScanCodes()
{
    ScanCodeTable scan{};
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::uint16_t letterScans[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                         0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                         0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; letters[i]; ++i)
        scan[static_cast<std::uint8_t>(letters[i])] = letterScans[i];
    for (int d = 1; d <= 9; ++d)
        scan['0' + d] = static_cast<std::uint16_t>(1 + d);
    scan['0'] = 0x0B;
    const std::pair<int, std::uint16_t> others[] = {
        {0xBA, 0x27}, {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35},
        {0xC0, 0x29}, {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}, {' ', 0x39},
        {Vk::Return, 0x1C}, {Vk::Back, 0x0E}, {Vk::Tab, 0x0F}, {Vk::Escape, 0x01}, {Vk::Shift, 0x2A},
        {Vk::Control, 0x1D}, {Vk::Menu, 0x38}, {Vk::RMenu, 0x38}, {Vk::Capital, 0x3A}, {Vk::Insert, 0x52},
        {Vk::Delete, 0x53}, {Vk::Home, 0x47}, {Vk::End, 0x4F}, {Vk::Prior, 0x49}, {Vk::Next, 0x51},
        {Vk::Left, 0x4B}, {Vk::Up, 0x48}, {Vk::Right, 0x4D}, {Vk::Down, 0x50}, {Vk::F1, 0x3B},
    };
    for (const auto& [virtualKey, code] : others)
        scan[virtualKey] = code;
    return scan;
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
    table[29] = key(0xDD, 2);
    table[127] = key(8, 2);     // DEL is Ctrl+Backspace
    return table;
}

LayoutTable germanLayoutTable()
{
    LayoutTable table = usLayoutTable();
    table['@'] = key('Q', 6);
    table['{'] = key('7', 6);
    table['['] = key('8', 6);
    table['\\'] = key(0xDB, 6);
    table[0x80] = key('E', 6);  // the euro sign in code page 1252
    table[0xE4] = key(0xDE);    // a umlaut on its own key
    table['^'] = key(0xDC);     // dead keys: accents for the next letter
    table[0xB4] = key(0xDD);
    table['`'] = key(0xDD, 1);
    return table;
}

FakeKeyboard::FakeKeyboard(EventLog& log) : log_(log)
{
    layouts[kUsLayout] = usLayoutTable();
    layouts[kGermanLayout] = germanLayoutTable();
    deadKeys[kGermanLayout] = {0xDC, 0xDD};
}

// Keys the watch holds back or stops go nowhere.
KeysFate FakeKeyboard::sendKeys(const KeyEvent* events, std::uint32_t count)
{
    KeysFate fate = KeysFate::WentIn;
    if (!watchSays.empty()) {
        fate = watchSays.front();
        watchSays.pop_front();
    }
    std::uint32_t taken = 0;
    for (; fate == KeysFate::WentIn && taken < count && eventsAccepted != 0; ++taken) {
        if (eventsAccepted > 0)
            --eventsAccepted;
        apply(events[taken]);
    }
    batches.push_back(taken);
    if (afterKeys)
        afterKeys();
    return fate == KeysFate::WentIn && taken < count ? KeysFate::Refused : fate;
}

bool FakeKeyboard::othersKeysQuiet(std::uint32_t)
{
    if (busyKeyboardLooks <= 0)
        return true;
    --busyKeyboardLooks;
    return false;
}

bool FakeKeyboard::windowAnswers(WindowId, std::uint32_t)
{
    ++answersAsked;
    if (busyLooks <= 0)
        return true;
    --busyLooks;
    return false;
}

void FakeKeyboard::apply(const KeyEvent& event)
{
    sent.push_back(event);
    if (event.unicode) {
        log_.push_back(event.keyUp ? unicodeUp(event.character) : unicodeDown(event.character));
        return;
    }
    log_.push_back(event.keyUp ? up(event.virtualKey) : down(event.virtualKey));
    if (event.keyUp)
        return;
    const bool before = capsLockOn;
    if (event.virtualKey == Vk::Capital && !(capsLockOn && shiftReleasesCapsLock))
        capsLockOn = !capsLockOn;
    else if (event.virtualKey == Vk::Shift && shiftReleasesCapsLock)
        capsLockOn = false;
    if (capsLockOn != before)
        capsChanges_.push_back({log_.size(), before});
}

// Seen late: the state before the first change that no pause followed.
std::uint8_t FakeKeyboard::capsLockState()
{
    if (capsLockSeenLate) {
        std::size_t lastPause = 0;
        for (std::size_t at = 0; at < log_.size(); ++at) {
            if (log_[at].kind == "sleep")
                lastPause = at + 1;
        }
        for (const CapsChange& change : capsChanges_) {
            if (change.at >= lastPause)
                return change.before ? 1 : 0;
        }
    }
    return capsLockOn ? 1 : 0;
}

std::int16_t FakeKeyboard::scanChar(std::uint8_t character, KeyboardLayout layout)
{
    auto found = layouts.find(layout);
    return found == layouts.end() ? std::int16_t{-1} : found->second[character];
}

std::uint16_t FakeKeyboard::scanCodeOf(std::uint8_t virtualKey, KeyboardLayout layout)
{
    static const ScanCodeTable us = usScanCodes();
    if (layout == kGermanLayout && (virtualKey == 'Y' || virtualKey == 'Z'))
        return us[virtualKey == 'Y' ? 'Z' : 'Y'];
    return us[virtualKey];
}

bool FakeKeyboard::isDeadKey(std::uint8_t virtualKey, KeyboardLayout layout)
{
    auto found = deadKeys.find(layout);
    return found != deadKeys.end() && found->second.count(virtualKey) != 0;
}

namespace {

// Code page 932 as far as its structure goes: lead bytes, the bytes that
// may follow them, and single bytes that are no character. The UTF-16
// unit of a pair is made up of its two bytes, which tells every pair apart.
AnsiCharacter decodeShiftJis(const std::uint8_t* bytes, std::uint32_t available)
{
    AnsiCharacter character;
    const std::uint8_t lead = bytes[0];
    const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    if (!isLead) {
        character.valid = lead != 0x80 && lead != 0xA0 && lead < 0xFD;
        character.unitCount = character.valid ? 1 : 0;
        character.units[0] = lead >= 0xA1 && lead <= 0xDF ? static_cast<std::uint16_t>(0xFF61 + lead - 0xA1) : lead;
        return character;
    }
    const bool trails = available >= 2 && bytes[1] >= 0x40 && bytes[1] <= 0xFC && bytes[1] != 0x7F;
    character.valid = trails;
    if (trails) {
        character.length = 2;
        character.unitCount = 1;
        character.units[0] = static_cast<std::uint16_t>((lead << 8) | bytes[1]);
    }
    return character;
}

AnsiCharacter decodeUtf8(const std::uint8_t* bytes, std::uint32_t available)
{
    AnsiCharacter character;
    const std::uint8_t lead = bytes[0];
    const std::uint32_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3 : 0;
    character.valid = length > 0 && length <= available;
    std::uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (std::uint32_t i = 1; character.valid && i < length; ++i) {
        character.valid = (bytes[i] & 0xC0) == 0x80;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    if (character.valid) {
        character.length = static_cast<std::uint8_t>(length);
        character.unitCount = 1;
        character.units[0] = static_cast<std::uint16_t>(code);
    }
    return character;
}

}  // namespace

// Code page 1252 where it matters here: 0x80 is the euro sign.
AnsiCharacter FakeKeyboard::decodeAnsi(const std::uint8_t* bytes, std::uint32_t available)
{
    if (codePage == 932)
        return decodeShiftJis(bytes, available);
    if (codePage == 65001)
        return decodeUtf8(bytes, available);
    AnsiCharacter character;
    character.unitCount = 1;
    character.units[0] = bytes[0] == 0x80 ? 0x20AC : bytes[0];
    return character;
}

bool FakeKeyboard::modifiersHeld()
{
    if (heldModifierLooks <= 0)
        return false;
    --heldModifierLooks;
    return true;
}

ForegroundWindow FakeKeyboard::foregroundWindow()
{
    ForegroundWindow window = foreground;
    if (hungLooks > 0) {
        --hungLooks;
        window.hung = true;
    }
    return window;
}

}  // namespace orvanta::fakes
