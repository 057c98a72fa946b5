/*
 * The short key names that stand for prefix and suffix codes, both in the
 * code picker's grid and in the settings dialog's code fields.
 *
 * The grid offers only 0x00..0x7F, but a settings file can bring any byte,
 * so every byte value has a name: 0x80 and above show as their hexadecimal
 * value ("x80" .. "xFF"), which keeps every name within five characters.
 */
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvanta {

constexpr std::size_t kLabelCount = 128;          // codes the grid shows
constexpr std::size_t kMaxLabelLength = 5;

struct CodeLabel {
    char text[kMaxLabelLength + 1];
};

CodeLabel codeLabel(std::uint8_t code);

// Codes the grid shows grey and never adds to a list.
bool isDisabledCode(std::uint8_t code);

}  // namespace orvanta
