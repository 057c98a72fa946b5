#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/status.h"
#include "ui/code_labels.h"
#include "ui/code_list.h"

namespace orvanta {
namespace {

TEST(CodeLabels, EveryCodeHasItsName)
{
    const struct {
        std::uint8_t code;
        const char* label;
    } table[] = {
        {0x00, ""},      {0x01, "Ins"},   {0x02, "Del"},   {0x03, "Home"},  {0x04, "End"},  {0x05, "Up"},
        {0x06, "Down"},  {0x07, "Left"},  {0x08, "BS"},    {0x09, "HT"},    {0x0A, "LF"},   {0x0B, "Right"},
        {0x0C, "PgUp"},  {0x0D, "Enter"}, {0x0E, "PgDn"},  {0x0F, "F1"},    {0x10, "F2"},   {0x11, "F3"},
        {0x12, "F4"},    {0x13, "F5"},    {0x14, "F6"},    {0x15, "F7"},    {0x16, "F8"},   {0x17, "F9"},
        {0x18, "F10"},   {0x19, "F11"},   {0x1A, "F12"},   {0x1B, "ESC"},   {0x1C, "Exec"}, {0x1D, ""},
        {0x1E, ""},      {0x1F, ""},      {0x20, "SP"},    {0x21, "!"},     {0x30, "0"},    {0x41, "A"},
        {0x5C, "\\"},    {0x7E, "~"},     {0x7F, "DEL"},   {0x80, "x80"},   {0xA5, "xA5"},  {0xFF, "xFF"},
    };
    for (const auto& row : table)
        EXPECT_STREQ(codeLabel(row.code).text, row.label) << int{row.code};
}

TEST(CodeLabels, PrintableCodesStandForThemselvesAndNoNameIsLongerThanFive)
{
    for (int code = 0; code < 256; ++code) {
        const CodeLabel label = codeLabel(static_cast<std::uint8_t>(code));
        EXPECT_LE(std::strlen(label.text), kMaxLabelLength) << code;
        if (code >= 0x21 && code <= 0x7E) {
            EXPECT_EQ(std::string(label.text), std::string(1, static_cast<char>(code)));
        }
    }
}

TEST(CodeLabels, OnlyTheEmptyNamesLineFeedAndDeleteAreDisabled)
{
    std::vector<int> disabled;
    for (int code = 0; code < 256; ++code) {
        if (isDisabledCode(static_cast<std::uint8_t>(code)))
            disabled.push_back(code);
    }
    EXPECT_EQ(disabled, (std::vector<int>{0x00, 0x0A, 0x1D, 0x1E, 0x1F, 0x7F}));
}

struct TextCase {
    const char* name;
    std::vector<std::uint8_t> list;   // padded with zeros to 16 bytes
    std::size_t n;
    std::size_t count;
    const char* text;
};

TEST(BuildCodeText, OneSpaceAndNamePerCodeUpToTheCountOrAZero)
{
    const TextCase table[] = {
        {"empty", {}, 10, 0, ""},
        {"letter and enter", {0x41, 0x0D}, 10, 2, " A Enter"},
        {"stops at a zero", {0x41, 0x00, 0x42}, 10, 1, " A"},
        {"stops at n", {'1', '2', '3', '4'}, 2, 2, " 1 2"},
        {"ten longest names", std::vector<std::uint8_t>(10, 0x0B), 10, 10,
         " Right Right Right Right Right Right Right Right Right Right"},
        {"ten high codes", std::vector<std::uint8_t>(10, 0xFF), 10, 10, " xFF xFF xFF xFF xFF xFF xFF xFF xFF xFF"},
        {"stored enter shows as DEL", {0x7F, 0x80}, 10, 2, " DEL x80"},
    };
    for (const TextCase& row : table) {
        std::uint8_t list[kWorkingListSize]{};
        std::copy(row.list.begin(), row.list.end(), list);
        CodeText text;
        clearCodeText(text);
        EXPECT_EQ(buildCodeText(list, text, row.n), row.count) << row.name;
        EXPECT_STREQ(text, row.text) << row.name;
        EXPECT_LT(std::strlen(text), kCodeTextSize) << row.name;
    }
}

TEST(BuildCodeText, AppendsToWhatTheTextHoldsAndNeverRunsPastIt)
{
    CodeText text;
    clearCodeText(text);
    const std::uint8_t list[kWorkingListSize] = {0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B};
    buildCodeText(list, text, 10);
    buildCodeText(list, text, 10);   // a caller that forgot to clear
    EXPECT_EQ(std::strlen(text), kCodeTextSize - 1);
    EXPECT_EQ(std::string(text).substr(0, 12), " Right Right");
}

TEST(LoadCodeList, TheGridHoldsExactlyTheCodesTheTextShows)
{
    GridBuffer grid;
    std::memset(&grid, 0xEE, sizeof grid);
    const std::uint8_t list[kWorkingListSize] = {0x41, 0x0D, 0x00, 0x42, 0x43};
    CodeText text;
    clearCodeText(text);

    EXPECT_EQ(loadCodeList(grid, list, text, 10), 2u);
    EXPECT_EQ(grid.count, 2u);
    EXPECT_STREQ(text, " A Enter");
    const std::uint8_t expected[kWorkingListSize] = {0x41, 0x0D};
    EXPECT_EQ(0, std::memcmp(grid.codes, expected, sizeof expected));

    // The code behind the zero must not come back when one is appended.
    appendPickedCode(grid, text, 0x31);
    EXPECT_EQ(0, std::memcmp(grid.codes, "A\r1\0\0", 5));
}

// Each step picks a code, or presses Backspace (pick 0), and gives the
// result, the text and the codes expected after it.
struct EditStep {
    std::uint8_t pick;
    StatusCode result;
    const char* text;
    const char* codes;
};

TEST(GridBuffer, PicksAppendUpToTenAndBackspaceRemovesTheLast)
{
    const EditStep steps[] = {
        {0, StatusCode::Ok, "", ""},   // Backspace on an empty list does nothing
        {'A', StatusCode::Ok, " A", "A"},
        {0x0D, StatusCode::Ok, " A Enter", "A\r"},
        {'A', StatusCode::Ok, " A Enter A", "A\rA"},   // a code picked twice is there twice
        {0, StatusCode::Ok, " A Enter", "A\r"},
        {'1', StatusCode::Ok, " A Enter 1", "A\r1"},
        {'2', StatusCode::Ok, " A Enter 1 2", "A\r12"},
        {'3', StatusCode::Ok, " A Enter 1 2 3", "A\r123"},
        {'4', StatusCode::Ok, " A Enter 1 2 3 4", "A\r1234"},
        {'5', StatusCode::Ok, " A Enter 1 2 3 4 5", "A\r12345"},
        {'6', StatusCode::Ok, " A Enter 1 2 3 4 5 6", "A\r123456"},
        {'7', StatusCode::Ok, " A Enter 1 2 3 4 5 6 7", "A\r1234567"},
        {'8', StatusCode::Ok, " A Enter 1 2 3 4 5 6 7 8", "A\r12345678"},
        {'9', StatusCode::TooManyCodes, " A Enter 1 2 3 4 5 6 7 8", "A\r12345678"},
        {0, StatusCode::Ok, " A Enter 1 2 3 4 5 6 7", "A\r1234567"},
    };
    GridBuffer grid{};
    CodeText text;
    clearCodeText(text);
    for (const EditStep& step : steps) {
        StatusCode result = StatusCode::Ok;
        if (step.pick)
            result = appendPickedCode(grid, text, step.pick);
        else
            removeLastCode(grid, text);
        EXPECT_EQ(result, step.result) << step.text;
        EXPECT_STREQ(text, step.text);
        EXPECT_EQ(grid.count, std::strlen(step.codes)) << step.text;
        // Bytes after the codes stay zero, so the buffer reads as a string.
        EXPECT_STREQ(reinterpret_cast<const char*>(grid.codes), step.codes) << step.text;
    }
}

}  // namespace
}  // namespace orvanta
