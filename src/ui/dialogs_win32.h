/*
 * The settings dialog "MainFormDlg" and the code picker "GridDlg", with the
 * records they share. UI thread only.
 */
#pragma once

#include <windows.h>

#include "ui/code_list.h"
#include "ui/grid_geometry.h"

namespace orvanta {

struct DialogRecords {
    // The settings dialog's code fields, and the edit procedure they
    // forward to once subclassed.
    HWND prefixField = nullptr;
    HWND suffixField = nullptr;
    WNDPROC standardEditProc = nullptr;
    // Set while the program has hidden the settings dialog (Start,
    // minimizing): only Open in the tray menu shows it again.
    bool keepHidden = false;

    // The code picker: open from a click on a code field (its owner field)
    // until OK or Cancel.
    bool gridOpen = false;
    HWND gridOwner = nullptr;
    HWND resultText = nullptr;
    WNDPROC standardGridAreaProc = nullptr;
    WNDPROC standardResultTextProc = nullptr;
    GridBuffer grid{};
    GridCell selected = kFirstSelectedCell;

    // The text of a code list: the code picker's result, and what
    // FillDialog puts into the code fields.
    CodeText codeText{};
};

DialogRecords& dialogRecords();

// The up-down control class must be registered before the dialog opens.
void InitDialogControls();

// Runs "MainFormDlg" modally with no owner; returns how it ended (2 for
// Close, -1 when it could not be created).
INT_PTR ShowSettingsDialog();

INT_PTR CALLBACK MainFormDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GridDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CodeFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);

void FillDialog(HWND dialog);
// Shows the settings dialog again after the program hid it.
void RevealDialog(HWND dialog);
void ApplyEnableRules(HWND dialog, bool enable);

// Painting of the code picker's two custom controls.
void PaintGrid(HWND gridArea);
void PaintCellHighlight(HWND gridArea, GridCell cell, bool selected);
void PaintResultText(HWND resultText);
void PaintOpenCodeField(HWND field);

}  // namespace orvanta
