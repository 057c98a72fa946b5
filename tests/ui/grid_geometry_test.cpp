#include <gtest/gtest.h>

#include <optional>

#include "ui/grid_geometry.h"

namespace orvanta {
namespace {

// A grid area of 380 x 290 pixels: cells of 42 x 17, with a margin of
// 2 pixels at the right (9 x 42 = 378) and 1 at the bottom (17 x 17 = 289).
constexpr int kWidth = 380, kHeight = 290;
const GridMetrics kMetrics = gridMetrics(kWidth, kHeight);

TEST(GridGeometry, CellsAreANinthOfTheWidthAndASeventeenthOfTheHeight)
{
    EXPECT_EQ(kMetrics.cellWidth, 42);
    EXPECT_EQ(kMetrics.cellHeight, 17);
    const GridMetrics small = gridMetrics(8, 16);
    EXPECT_EQ(small.cellWidth, 0);
    EXPECT_EQ(small.cellHeight, 0);
}

TEST(GridGeometry, AClickPicksTheCellUnderItUnlessItIsAHeaderTheMarginOrDisabled)
{
    const struct {
        const char* name;
        int x, y;
        std::optional<GridCell> cell;
    } table[] = {
        {"'A': column 4, row 1", 5 * 42 + 20, 2 * 17 + 8, GridCell{4, 1}},
        {"'Enter': column 0, row 13", 42, 14 * 17, GridCell{0, 13}},
        {"last pixel of 'Enter'", 2 * 42 - 1, 15 * 17 - 1, GridCell{0, 13}},
        {"'~': the last enabled cell", 8 * 42 + 1, 15 * 17 + 1, GridCell{7, 14}},
        {"'Ins'", 42, 2 * 17, GridCell{0, 1}},
        {"corner header", 10, 10, std::nullopt},
        {"column header above 'A'", 5 * 42 + 20, 16, std::nullopt},
        {"row header left of 'A'", 41, 2 * 17 + 8, std::nullopt},
        {"right margin", 9 * 42, 5 * 17, std::nullopt},
        {"bottom margin", 3 * 42, 17 * 17, std::nullopt},
        {"left of the control", -1, 5 * 17, std::nullopt},
        {"above the control", 3 * 42, -20, std::nullopt},
        {"0x00", 42 + 5, 17 + 5, std::nullopt},
        {"0x0A LF", 42 + 5, 11 * 17 + 5, std::nullopt},
        {"0x1D", 2 * 42 + 5, 14 * 17 + 5, std::nullopt},
        {"0x1E", 2 * 42 + 5, 15 * 17 + 5, std::nullopt},
        {"0x1F", 2 * 42 + 5, 16 * 17 + 5, std::nullopt},
        {"0x7F DEL", 8 * 42 + 5, 16 * 17 + 5, std::nullopt},
    };
    for (const auto& row : table)
        EXPECT_EQ(pickableCellAt(kMetrics, row.x, row.y), row.cell) << row.name;
}

TEST(GridGeometry, ATooSmallControlHasNoCells)
{
    EXPECT_EQ(pickableCellAt(gridMetrics(8, 300), 5, 100), std::nullopt);
    EXPECT_EQ(pickableCellAt(gridMetrics(300, 16), 100, 5), std::nullopt);
}

TEST(GridGeometry, CodeIsColumnTimesSixteenPlusRow)
{
    EXPECT_EQ(codeAt(GridCell{4, 1}), 0x41);
    EXPECT_EQ(codeAt(GridCell{0, 13}), 0x0D);
    EXPECT_EQ(codeAt(kFirstSelectedCell), 0x20);
    EXPECT_EQ(codeAt(GridCell{7, 15}), 0x7F);
}

TEST(GridGeometry, RectanglesForPainting)
{
    const struct {
        const char* name;
        PixelRect actual, expected;
    } table[] = {
        {"cell of 'A'", cellRect(kMetrics, {4, 1}), {210, 34, 252, 51}},
        {"highlight of 'A'", highlightRect(kMetrics, {4, 1}), {211, 35, 253, 52}},
        {"cell of 0x00", cellRect(kMetrics, {0, 0}), {42, 17, 84, 34}},
        {"cell of 0x7F", cellRect(kMetrics, {7, 15}), {336, 272, 378, 289}},
        {"header \"00\" of column 0", columnHeaderRect(kMetrics, 0), {42, 0, 84, 17}},
        {"header \"70\"", columnHeaderRect(kMetrics, 7), {336, 0, 378, 17}},
        {"header \"0F\" of row 15", rowHeaderRect(kMetrics, 15), {0, 272, 42, 289}},
    };
    for (const auto& row : table) {
        EXPECT_EQ(row.actual.left, row.expected.left) << row.name;
        EXPECT_EQ(row.actual.top, row.expected.top) << row.name;
        EXPECT_EQ(row.actual.right, row.expected.right) << row.name;
        EXPECT_EQ(row.actual.bottom, row.expected.bottom) << row.name;
    }
}

TEST(GridGeometry, HeadersNameTheHighAndLowNibble)
{
    const char* columns[] = {"00", "10", "20", "30", "40", "50", "60", "70"};
    for (int c = 0; c < kGridColumns; ++c)
        EXPECT_STREQ(columnHeader(c).text, columns[c]);
    const char* rows[] = {"00", "01", "02", "03", "04", "05", "06", "07",
                          "08", "09", "0A", "0B", "0C", "0D", "0E", "0F"};
    for (int r = 0; r < kGridRows; ++r)
        EXPECT_STREQ(rowHeader(r).text, rows[r]);
}

}  // namespace
}  // namespace orvanta
