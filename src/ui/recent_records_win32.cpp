/*
 * The recent-records dialog. The list is a report view whose lines are
 * the model's: a transfer's line stands for all of its records. Column
 * widths are given in dialog units, so that they grow with the font at a
 * higher DPI as the dialog does. Texts are UTF-8 in the journal and go to
 * the list as UTF-16.
 */
#include "ui/recent_records_win32.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "platform/text_win32.h"
#include "res/resource.h"

namespace orvanta {
namespace {

struct RecentRecordsState {
    const RecentRecords& recent;
    std::vector<RecentLine> lines;   // what the list shows, line by line
    std::vector<JournalRow> chosen;
};

RecentRecordsState& stateOf(HWND dialog)
{
    return *reinterpret_cast<RecentRecordsState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void setCell(HWND list, int item, int column, const std::string& text)
{
    std::wstring wide = wideOf(text);
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
}

std::string clockOf(const LocalTime& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "   %02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

void addLine(HWND list, const RecentRecords& recent, const RecentLine& line, int at)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = at;
    std::wstring first =
        wideOf(line.isTransfer ? recent.transferTime(line.transfer) : clockOf(recent.row(line.row).time));
    item.pszText = first.data();
    const int added = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (line.isTransfer)
        return setCell(list, added, 1, recent.transferSummary(line.transfer));
    const JournalRow& row = recent.row(line.row);
    setCell(list, added, 1, row.record);
    setCell(list, added, 2, row.windowTitle);
    setCell(list, added, 3, row.program);
}

void fillList(HWND dialog)
{
    RecentRecordsState& state = stateOf(dialog);
    HWND list = GetDlgItem(dialog, IDC_RECENT_LIST);
    wchar_t search[128] = {};
    GetDlgItemTextW(dialog, IDC_RECENT_SEARCH, search, 128);
    state.lines = state.recent.lines(utf8Of(search));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < state.lines.size(); ++i)
        addLine(list, state.recent, state.lines[i], static_cast<int>(i));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void addColumns(HWND dialog, HWND list)
{
    const struct {
        const wchar_t* title;
        int widthUnits;
    } columns[] = {{L"Time", 80}, {L"Record", 110}, {L"Window", 80}, {L"Program", 68}};
    for (int i = 0; i < 4; ++i) {
        RECT width{0, 0, columns[i].widthUnits, 0};
        MapDialogRect(dialog, &width);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = width.right;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void OnInitDialog(HWND dialog, RecentRecordsState& state)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    HWND list = GetDlgItem(dialog, IDC_RECENT_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    addColumns(dialog, list);
    fillList(dialog);
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDC_RECENT_SEARCH));
}

// Nothing chosen: the window stays, and says nothing happened.
void OnTypeAgain(HWND dialog)
{
    RecentRecordsState& state = stateOf(dialog);
    HWND list = GetDlgItem(dialog, IDC_RECENT_LIST);
    std::vector<RecentLine> picked;
    for (int at = -1; (at = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(at),
                                                          LVNI_SELECTED))) >= 0;) {
        if (static_cast<std::size_t>(at) < state.lines.size())
            picked.push_back(state.lines[static_cast<std::size_t>(at)]);
    }
    if (picked.empty()) {
        MessageBeep(MB_OK);
        return;
    }
    state.chosen = state.recent.chosen(picked);
    EndDialog(dialog, IDC_TYPE_AGAIN);
}

void OnCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDC_RECENT_SEARCH:
        if (notification == EN_CHANGE)
            fillList(dialog);
        return;
    case IDC_TYPE_AGAIN: return OnTypeAgain(dialog);
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return;
    default: return;
    }
}

INT_PTR CALLBACK RecentRecordsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(dialog, *reinterpret_cast<RecentRecordsState*>(lParam)); return FALSE;
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

std::vector<JournalRow> showRecentRecords(HINSTANCE instance, HWND owner, const RecentRecords& recent)
{
    RecentRecordsState state{recent, {}, {}};
    DialogBoxParamW(instance, L"RecentRecordsDlg", owner, RecentRecordsDlgProc, reinterpret_cast<LPARAM>(&state));
    return std::move(state.chosen);
}

}  // namespace orvanta
