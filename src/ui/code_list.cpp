/*
 * Code lists and their text. Every append is bounded by the text buffer,
 * so even a caller that forgot to clear the text cannot write past it.
 */
#include "ui/code_list.h"

#include <cstring>

#include "protocol/status.h"
#include "ui/code_labels.h"

namespace orvanta {
namespace {

void appendName(CodeText& text, std::uint8_t code)
{
    const CodeLabel label = codeLabel(code);
    std::size_t length = std::strlen(text);
    const char* parts[] = {" ", label.text};
    for (const char* part : parts) {
        for (; *part != 0 && length + 1 < kCodeTextSize; ++part)
            text[length++] = *part;
    }
    text[length] = 0;
}

}  // namespace

void clearCodeText(CodeText& text)
{
    std::memset(text, 0, kCodeTextSize);
}

std::size_t buildCodeText(const std::uint8_t* list, CodeText& text, std::size_t n)
{
    std::size_t taken = 0;
    for (; taken < n && list[taken] != 0; ++taken)
        appendName(text, list[taken]);
    return taken;
}

// Only the codes the text shows are kept: a list with a zero byte between
// codes (possible in a settings file) must not bring its tail back when a
// code is appended over that zero.
std::size_t loadCodeList(GridBuffer& grid, const std::uint8_t* list, CodeText& text, std::size_t n)
{
    std::memset(grid.codes, 0, sizeof grid.codes);
    grid.count = buildCodeText(list, text, n < kWorkingListSize ? n : kWorkingListSize);
    std::memcpy(grid.codes, list, grid.count);
    return grid.count;
}

StatusCode appendPickedCode(GridBuffer& grid, CodeText& text, std::uint8_t code)
{
    if (grid.count >= kMaxCodes)
        return StatusCode::TooManyCodes;
    grid.codes[grid.count++] = code;
    appendName(text, code);
    return StatusCode::Ok;
}

void removeLastCode(GridBuffer& grid, CodeText& text)
{
    if (grid.count == 0)
        return;
    grid.codes[--grid.count] = 0;
    clearCodeText(text);
    buildCodeText(grid.codes, text, grid.count);
}

}  // namespace orvanta
