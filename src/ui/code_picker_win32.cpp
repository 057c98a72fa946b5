/*
 * The code picker "GridDlg" and the code fields that open it. Codes are
 * never typed into the fields: a click opens the grid, each click on a
 * cell appends that code, OK stores the list in the dialog's working list
 * and Cancel leaves it alone.
 */
#include <windows.h>
#include <windowsx.h>

#include <cstring>

#include "app/app_win32.h"
#include "res/resource.h"
#include "ui/dialogs_win32.h"

namespace orvanta {
namespace {

// The working list a code field shows, or nullptr for any other window.
std::uint8_t* workingListOf(HWND field)
{
    DialogRecords& records = dialogRecords();
    WorkingCodes& working = theApp().program.working;
    if (field != nullptr && field == records.prefixField)
        return working.workingPrefix;
    if (field != nullptr && field == records.suffixField)
        return working.workingSuffix;
    return nullptr;
}

void setCodeFieldText(HWND field)
{
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dialogRecords().codeText));
}

// The field stays painted blue while its grid is open, so the user sees
// which list is being edited.
LRESULT OnCodeFieldClick(HWND field)
{
    DialogRecords& records = dialogRecords();
    records.gridOwner = field;
    SetFocus(field);
    records.gridOpen = true;
    InvalidateRect(field, nullptr, TRUE);
    DialogBoxParamA(theApp().instance, "GridDlg", field, GridDlgProc, 0);
    records.gridOpen = false;
    records.gridOwner = nullptr;
    InvalidateRect(field, nullptr, TRUE);
    return 0;
}

LRESULT OnGridClick(HWND gridArea, LPARAM position)
{
    DialogRecords& records = dialogRecords();
    RECT client;
    GetClientRect(gridArea, &client);
    const auto cell = pickableCellAt(gridMetrics(client.right, client.bottom), GET_X_LPARAM(position),
                                     GET_Y_LPARAM(position));
    if (!cell)
        return 0;
    PaintCellHighlight(gridArea, records.selected, false);
    PaintCellHighlight(gridArea, *cell, true);
    records.selected = *cell;
    if (appendPickedCode(records.grid, records.codeText, codeAt(*cell)) == TooManyCodes)
        ShowStatus(theApp().program.platform.messageBoxes, reinterpret_cast<WindowId>(gridArea), TooManyCodes);
    else
        InvalidateRect(records.resultText, nullptr, TRUE);
    return 0;
}

LRESULT CALLBACK GridAreaProc(HWND gridArea, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: PaintGrid(gridArea); return 0;
    case WM_LBUTTONDOWN: return OnGridClick(gridArea, lParam);
    default: return CallWindowProcA(dialogRecords().standardGridAreaProc, gridArea, message, wParam, lParam);
    }
}

LRESULT CALLBACK ResultTextProc(HWND resultText, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PaintResultText(resultText);
        return 0;
    }
    return CallWindowProcA(dialogRecords().standardResultTextProc, resultText, message, wParam, lParam);
}

WNDPROC subclass(HWND control, WNDPROC procedure)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

// A grid opened by anything but a code field has no list to edit.
void OnGridInit(HWND grid)
{
    DialogRecords& records = dialogRecords();
    records.selected = kFirstSelectedCell;
    records.standardGridAreaProc = subclass(GetDlgItem(grid, IDC_GRID_AREA), GridAreaProc);
    records.resultText = GetDlgItem(grid, IDC_GRID_RESULT);
    records.standardResultTextProc = subclass(records.resultText, ResultTextProc);
    clearCodeText(records.codeText);
    records.grid.count = 0;
    const std::uint8_t* list = workingListOf(records.gridOwner);
    if (list)
        LoadCodeList(records.grid, list, records.codeText, kMaxCodes);
    else
        EndDialog(grid, IDC_GRID_CANCEL);
}

void OnBackspace()
{
    DialogRecords& records = dialogRecords();
    removeLastCode(records.grid, records.codeText);
    InvalidateRect(records.resultText, nullptr, TRUE);
}

void OnGridOk(HWND grid)
{
    DialogRecords& records = dialogRecords();
    EndDialog(grid, IDC_GRID_OK);
    if (std::uint8_t* list = workingListOf(records.gridOwner))
        std::memcpy(list, records.grid.codes, kWorkingListSize);
    setCodeFieldText(records.gridOwner);
}

void OnGridCancel(HWND grid)
{
    DialogRecords& records = dialogRecords();
    EndDialog(grid, IDC_GRID_CANCEL);
    clearCodeText(records.codeText);
    if (const std::uint8_t* list = workingListOf(records.gridOwner))
        BuildCodeText(list, records.codeText, kMaxCodes);
    setCodeFieldText(records.gridOwner);
}

}  // namespace

DialogRecords& dialogRecords()
{
    static DialogRecords records;
    return records;
}

LRESULT CALLBACK CodeFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    const DialogRecords& records = dialogRecords();
    switch (message) {
    case WM_LBUTTONDOWN: return OnCodeFieldClick(field);
    case WM_PAINT:
        if (!records.gridOpen || records.gridOwner != field)
            break;
        PaintOpenCodeField(field);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE)
            return 0;
        break;
    case WM_CHAR: return 0;
    default: break;
    }
    return CallWindowProcA(records.standardEditProc, field, message, wParam, lParam);
}

INT_PTR CALLBACK GridDlgProc(HWND grid, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: OnGridInit(grid); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_GRID_BACKSPACE: OnBackspace(); break;
        case IDC_GRID_OK: OnGridOk(grid); break;
        case IDC_GRID_CANCEL: OnGridCancel(grid); break;
        default: break;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace orvanta
