/*
 * Grid geometry.
 */
#include "ui/grid_geometry.h"

namespace orvanta {
namespace {

CodeLabel twoHexDigits(int value)
{
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    return CodeLabel{{kHexDigits[(value >> 4) & 15], kHexDigits[value & 15], 0}};
}

}  // namespace

GridMetrics gridMetrics(int width, int height)
{
    return GridMetrics{width / (kGridColumns + 1), height / (kGridRows + 1)};
}

std::uint8_t codeAt(GridCell cell)
{
    return static_cast<std::uint8_t>(cell.column * 16 + cell.row);
}

std::optional<GridCell> pickableCellAt(const GridMetrics& metrics, int x, int y)
{
    // A control too small to hold the grid has no cells at all.
    if (metrics.cellWidth <= 0 || metrics.cellHeight <= 0 || x < 0 || y < 0)
        return std::nullopt;
    const int cx = x / metrics.cellWidth;
    const int cy = y / metrics.cellHeight;
    if (cx < 1 || cy < 1 || cx > kGridColumns || cy > kGridRows)
        return std::nullopt;
    const GridCell cell{cx - 1, cy - 1};
    if (isDisabledCode(codeAt(cell)))
        return std::nullopt;
    return cell;
}

PixelRect cellRect(const GridMetrics& m, GridCell cell)
{
    const int left = (cell.column + 1) * m.cellWidth;
    const int top = (cell.row + 1) * m.cellHeight;
    return PixelRect{left, top, left + m.cellWidth, top + m.cellHeight};
}

PixelRect highlightRect(const GridMetrics& m, GridCell cell)
{
    const PixelRect square = cellRect(m, cell);
    return PixelRect{square.left + 1, square.top + 1, square.right + 1, square.bottom + 1};
}

PixelRect columnHeaderRect(const GridMetrics& m, int column)
{
    const int left = (column + 1) * m.cellWidth;
    return PixelRect{left, 0, left + m.cellWidth, m.cellHeight};
}

PixelRect rowHeaderRect(const GridMetrics& m, int row)
{
    const int top = (row + 1) * m.cellHeight;
    return PixelRect{0, top, m.cellWidth, top + m.cellHeight};
}

CodeLabel columnHeader(int column)
{
    return twoHexDigits(column * 16);
}

CodeLabel rowHeader(int row)
{
    return twoHexDigits(row);
}

}  // namespace orvanta
