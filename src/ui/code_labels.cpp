/*
 * The key-name table. Control keys carry names, the printable characters
 * 0x21..0x7E stand for themselves.
 */
#include "ui/code_labels.h"

#include <array>

namespace orvanta {
namespace {

constexpr const char* kNamedCodes[0x21] = {
    "",     "Ins",  "Del",  "Home", "End",  "Up",   "Down", "Left",   // 0x00
    "BS",   "HT",   "LF",   "Right", "PgUp", "Enter", "PgDn", "F1",   // 0x08
    "F2",   "F3",   "F4",   "F5",   "F6",   "F7",   "F8",   "F9",     // 0x10
    "F10",  "F11",  "F12",  "ESC",  "Exec", "",     "",     "",       // 0x18
    "SP",                                                              // 0x20
};

constexpr std::uint8_t kDeleteCode = 0x7F;

constexpr std::array<CodeLabel, kLabelCount> makeLabelTable()
{
    std::array<CodeLabel, kLabelCount> table{};
    for (std::size_t code = 0; code < kLabelCount; ++code) {
        CodeLabel& label = table[code];
        if (code < 0x21) {
            for (std::size_t i = 0; kNamedCodes[code][i] != 0; ++i)
                label.text[i] = kNamedCodes[code][i];
        } else if (code == kDeleteCode) {
            label = CodeLabel{"DEL"};
        } else {
            label.text[0] = static_cast<char>(code);
        }
    }
    return table;
}

constexpr std::array<CodeLabel, kLabelCount> kLabels = makeLabelTable();

}  // namespace

CodeLabel codeLabel(std::uint8_t code)
{
    if (code < kLabelCount)
        return kLabels[code];
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    return CodeLabel{{'x', kHexDigits[code >> 4], kHexDigits[code & 15], 0}};
}

bool isDisabledCode(std::uint8_t code)
{
    switch (code) {
    case 0x00:
    case 0x0A:
    case 0x1D:
    case 0x1E:
    case 0x1F:
    case kDeleteCode:
        return true;
    default:
        return false;
    }
}

}  // namespace orvanta
