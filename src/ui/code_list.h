/*
 * A code list being edited in the code picker, and its text: one space and
 * the key name per code (" A Enter" for 0x41, 0x0D). The same text fills
 * the settings dialog's code fields.
 */
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/status.h"
#include "settings/settings.h"

namespace orvanta {

// Ten names of at most five characters, each after a space, fit with room
// to spare.
constexpr std::size_t kCodeTextSize = 64;
using CodeText = char[kCodeTextSize];

// The list the picker edits: at most 10 codes, zero bytes after them.
struct GridBuffer {
    std::uint8_t codes[kWorkingListSize];
    std::size_t count;
};

void clearCodeText(CodeText& text);

// Appends the names of the list's codes to `text`, up to `n` codes or the
// first zero byte. Returns how many codes were taken.
std::size_t buildCodeText(const std::uint8_t* list, CodeText& text, std::size_t n);

// Puts the first `n` codes of `list` (up to its first zero byte) into the
// grid buffer and their names into `text`. Returns the count.
std::size_t loadCodeList(GridBuffer& grid, const std::uint8_t* list, CodeText& text, std::size_t n);

// A picked code: added with its name unless the list is full, when the
// result is TooManyCodes and nothing changes.
StatusCode appendPickedCode(GridBuffer& grid, CodeText& text, std::uint8_t code);

// Backspace: drops the last code, if there is one.
void removeLastCode(GridBuffer& grid, CodeText& text);

}  // namespace orvanta
