/*
 * Where things are in the code picker's grid: 8 columns (the high nibble
 * of a code) by 16 rows (the low nibble), below a header row and right of
 * a header column. The control is divided into 9 x 17 equal cells; what
 * the integer division leaves over is a margin at the right and bottom.
 */
#pragma once

#include <cstdint>
#include <optional>

#include "ui/code_labels.h"

namespace orvanta {

constexpr int kGridColumns = 8;
constexpr int kGridRows = 16;

struct GridCell {
    int column;   // 0..7
    int row;      // 0..15
    bool operator==(const GridCell&) const = default;
};

// Highlighted each time the grid opens: "SP".
constexpr GridCell kFirstSelectedCell{2, 0};

struct GridMetrics {
    int cellWidth;
    int cellHeight;
};

struct PixelRect {
    int left, top, right, bottom;
    bool operator==(const PixelRect&) const = default;
};

GridMetrics gridMetrics(int width, int height);

std::uint8_t codeAt(GridCell cell);

// The cell a click at (x, y) picks: nothing for the headers, the margin
// and the disabled codes.
std::optional<GridCell> pickableCellAt(const GridMetrics& metrics, int x, int y);

// The cell's square, in which its name is centred.
PixelRect cellRect(const GridMetrics& metrics, GridCell cell);

// The square of the highlight, one pixel right of and below the cell's.
PixelRect highlightRect(const GridMetrics& metrics, GridCell cell);

PixelRect columnHeaderRect(const GridMetrics& metrics, int column);
PixelRect rowHeaderRect(const GridMetrics& metrics, int row);

// "00" .. "70" above the columns, "00" .. "0F" left of the rows.
CodeLabel columnHeader(int column);
CodeLabel rowHeader(int row);

}  // namespace orvanta
