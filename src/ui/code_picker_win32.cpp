/*
 * The code picker "GridDlg" and the code fields that open it. Codes are
 * never typed into the fields: a click opens the grid, each click on a
 * cell appends that code, OK stores the list in the dialog's working list
 * and Cancel leaves it alone.
 */
#include "ui/code_picker_win32.h"

#include <windowsx.h>

#include <cstring>

#include "ui/status_box.h"
#include "res/resource.h"
#include "ui/grid_painting_win32.h"
#include "ui/settings_dialog_win32.h"

namespace orvanta {
namespace {

// The working list a code field shows.
std::uint8_t* workingListOf(SettingsDialogState& dialog, HWND field)
{
    WorkingCodes& working = dialog.context.session.working;
    return field == dialog.prefixField ? working.workingPrefix : working.workingSuffix;
}

CodePickerState& pickerOf(HWND control)
{
    return *codePickerState(GetParent(control));
}

// The field stays painted blue while its picker is open, so the user sees
// which list is being edited.
LRESULT OnCodeFieldClick(HWND field, SettingsDialogState& dialog)
{
    CodePickerState picker{field, workingListOf(dialog, field), dialog.context.session.messageBoxes};
    dialog.pickerOwner = field;
    SetFocus(field);
    InvalidateRect(field, nullptr, TRUE);
    DialogBoxParamA(dialog.context.instance, "GridDlg", field, GridDlgProc, reinterpret_cast<LPARAM>(&picker));
    dialog.pickerOwner = nullptr;
    InvalidateRect(field, nullptr, TRUE);
    return 0;
}

LRESULT OnGridClick(HWND gridArea, LPARAM position)
{
    CodePickerState& picker = pickerOf(gridArea);
    RECT client;
    GetClientRect(gridArea, &client);
    const auto cell = pickableCellAt(gridMetrics(client.right, client.bottom), GET_X_LPARAM(position),
                                     GET_Y_LPARAM(position));
    if (!cell)
        return 0;
    paintCellHighlight(gridArea, picker.selected, false);
    paintCellHighlight(gridArea, *cell, true);
    picker.selected = *cell;
    const StatusCode appended = appendPickedCode(picker.grid, picker.codeText, codeAt(*cell));
    if (appended != StatusCode::Ok)
        showStatus(picker.messageBoxes, reinterpret_cast<WindowId>(gridArea), appended);
    else
        InvalidateRect(picker.resultText, nullptr, TRUE);
    return 0;
}

LRESULT CALLBACK GridAreaProc(HWND gridArea, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: paintGrid(gridArea, pickerOf(gridArea).selected); return 0;
    case WM_LBUTTONDOWN: return OnGridClick(gridArea, lParam);
    default: return CallWindowProcA(pickerOf(gridArea).standardGridAreaProc, gridArea, message, wParam, lParam);
    }
}

LRESULT CALLBACK ResultTextProc(HWND resultText, UINT message, WPARAM wParam, LPARAM lParam)
{
    CodePickerState& picker = pickerOf(resultText);
    if (message == WM_PAINT) {
        paintResultText(resultText, picker.codeText);
        return 0;
    }
    return CallWindowProcA(picker.standardResultTextProc, resultText, message, wParam, lParam);
}

WNDPROC subclass(HWND control, WNDPROC procedure)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

// A picker opened by anything but a code field has no list to edit.
void OnGridInit(HWND grid, CodePickerState* picker)
{
    if (!picker) {
        EndDialog(grid, IDC_GRID_CANCEL);
        return;
    }
    SetWindowLongPtrA(grid, DWLP_USER, reinterpret_cast<LONG_PTR>(picker));
    picker->selected = kFirstSelectedCell;
    picker->standardGridAreaProc = subclass(GetDlgItem(grid, IDC_GRID_AREA), GridAreaProc);
    picker->resultText = GetDlgItem(grid, IDC_GRID_RESULT);
    picker->standardResultTextProc = subclass(picker->resultText, ResultTextProc);
    clearCodeText(picker->codeText);
    picker->grid.count = 0;
    loadCodeList(picker->grid, picker->workingList, picker->codeText, kMaxCodes);
}

void OnBackspace(CodePickerState& picker)
{
    removeLastCode(picker.grid, picker.codeText);
    InvalidateRect(picker.resultText, nullptr, TRUE);
}

// OK and Cancel leave the field showing the list as it now stands.
void OnGridOk(HWND grid, CodePickerState& picker)
{
    EndDialog(grid, IDC_GRID_OK);
    std::memcpy(picker.workingList, picker.grid.codes, kWorkingListSize);
    SendMessageA(picker.field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picker.codeText));
}

void OnGridCancel(HWND grid, CodePickerState& picker)
{
    EndDialog(grid, IDC_GRID_CANCEL);
    clearCodeText(picker.codeText);
    buildCodeText(picker.workingList, picker.codeText, kMaxCodes);
    SendMessageA(picker.field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picker.codeText));
}

void OnGridCommand(HWND grid, int id)
{
    CodePickerState* picker = codePickerState(grid);
    if (!picker)
        return;
    switch (id) {
    case IDC_GRID_BACKSPACE: return OnBackspace(*picker);
    case IDC_GRID_OK: return OnGridOk(grid, *picker);
    case IDC_GRID_CANCEL: return OnGridCancel(grid, *picker);
    default: return;
    }
}

}  // namespace

CodePickerState* codePickerState(HWND picker)
{
    if (!picker || GetWindowLongPtrA(picker, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(GridDlgProc))
        return nullptr;
    return reinterpret_cast<CodePickerState*>(GetWindowLongPtrA(picker, DWLP_USER));
}

LRESULT CALLBACK CodeFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    SettingsDialogState& dialog = *settingsDialogState(GetParent(field));
    switch (message) {
    case WM_LBUTTONDOWN: return OnCodeFieldClick(field, dialog);
    case WM_PAINT:
        if (dialog.pickerOwner != field)
            break;
        paintOpenCodeField(field);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE || (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0))
            return 0;
        break;
    // The text shows the working list: only the picker changes it. The edit
    // menu's and the clipboard keys' edits would make it show codes that are
    // not the ones typed.
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO: return 0;
    default: break;
    }
    return CallWindowProcA(dialog.standardEditProc, field, message, wParam, lParam);
}

INT_PTR CALLBACK GridDlgProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: OnGridInit(grid, reinterpret_cast<CodePickerState*>(lParam)); return TRUE;
    case WM_COMMAND: OnGridCommand(grid, LOWORD(wParam)); return FALSE;
    default: return FALSE;
    }
}

}  // namespace orvanta
