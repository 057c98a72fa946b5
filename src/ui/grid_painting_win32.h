/*
 * Painting of the code picker's two custom controls and of a code field
 * whose picker is open.
 */
#pragma once

#include <windows.h>

#include "ui/grid_geometry.h"

namespace orvanta {

void paintGrid(HWND gridArea, GridCell selected);
void paintCellHighlight(HWND gridArea, GridCell cell, bool selected);
void paintResultText(HWND resultText, const char* text);
void paintOpenCodeField(HWND field);

}  // namespace orvanta
