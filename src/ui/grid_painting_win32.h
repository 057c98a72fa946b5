/*
 * Painting of the code picker's two custom controls and of a code field
 * whose picker is open.
 */
#pragma once

#include <windows.h>

#include "ui/grid_geometry.h"

namespace orvanta {

void PaintGrid(HWND gridArea, GridCell selected);
void PaintCellHighlight(HWND gridArea, GridCell cell, bool selected);
void PaintResultText(HWND resultText, const char* text);
void PaintOpenCodeField(HWND field);

}  // namespace orvanta
