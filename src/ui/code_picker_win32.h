/*
 * The code picker "GridDlg" and the code fields of the settings dialog
 * that open it. The picker's record comes with it when it opens and is
 * kept in its DWLP_USER.
 */
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/message_boxes.h"
#include "ui/code_list.h"
#include "ui/grid_geometry.h"

namespace orvanta {

struct CodePickerState {
    HWND field;                  // the code field that opened it
    std::uint8_t* workingList;   // the list OK stores into
    MessageBoxes& messageBoxes;
    HWND resultText = nullptr;
    WNDPROC standardGridAreaProc = nullptr;
    WNDPROC standardResultTextProc = nullptr;
    GridBuffer grid{};
    GridCell selected = kFirstSelectedCell;
    CodeText codeText{};   // the list being picked, as shown
};

// The record of an open code picker, or nullptr for any other window.
CodePickerState* codePickerState(HWND picker);

// The window procedure of both code fields once subclassed.
LRESULT CALLBACK CodeFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);
// A picker opened without a record (by anything but a code field) ends at once.
INT_PTR CALLBACK GridDlgProc(HWND picker, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orvanta
