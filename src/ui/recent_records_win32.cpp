/*
 * The recent-records dialog. The list is a virtual (owner-data) report
 * view: it holds no text of its own and asks for the lines it shows, so a
 * journal of months fills it at once, and each new view of the loader
 * (more files read, or a new search) only sets its count. Column widths
 * are given in dialog units, so that they grow with the font at a higher
 * DPI as the dialog does. Texts are UTF-8 in the journal and go to the
 * list as UTF-16.
 */
#include "ui/recent_records_win32.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/text_win32.h"
#include "res/resource.h"
#include "ui/recent_records_loader.h"

namespace orvanta {
namespace {

// The loader has a new view.
constexpr UINT kViewPublished = WM_APP + 1;
// A selection larger than this is not carried over to a new view.
constexpr std::size_t kMostKeptSelection = 10000;

struct RecentRecordsState {
    JournalStore& journal;
    std::unique_ptr<RecentRecordsLoader> loader;
    std::shared_ptr<const RecentView> view;   // what the list shows
    std::vector<JournalRow> chosen;
};

RecentRecordsState& stateOf(HWND dialog)
{
    return *reinterpret_cast<RecentRecordsState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND listOf(HWND dialog)
{
    return GetDlgItem(dialog, IDC_RECENT_LIST);
}

std::vector<std::size_t> selectedLines(HWND list)
{
    std::vector<std::size_t> lines;
    for (int at = -1; (at = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(at),
                                                          LVNI_SELECTED))) >= 0;)
        lines.push_back(static_cast<std::size_t>(at));
    return lines;
}

void setSelected(HWND list, int item, bool selected)
{
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
}

// The lines chosen in the old view, found again in the new one (rows and
// transfers keep their ids while more files are read).
void carrySelection(HWND list, const RecentView& old, const RecentView& now)
{
    const std::vector<std::size_t> selected = selectedLines(list);
    setSelected(list, -1, false);
    if (selected.empty() || selected.size() > kMostKeptSelection)
        return;
    std::unordered_map<std::uint32_t, bool> wanted;
    for (const std::size_t line : selected) {
        if (line < old.list.size())
            wanted[old.list.valueOf(line)] = true;
    }
    for (std::size_t line = 0; line < now.list.size(); ++line) {
        if (wanted.count(now.list.valueOf(line)))
            setSelected(list, static_cast<int>(line), true);
    }
}

void showStatus(HWND dialog, const RecentRecordsState& state)
{
    const RecentView& view = *state.view;
    const JournalIndex& index = state.loader->index();
    std::string text;
    {
        const std::lock_guard hold(index.lock());
        text = recentStatusText(view.filesRead, view.files, view.list.records(), view.order->rows(),
                                view.order->transfers(), !view.search.empty());
    }
    SetDlgItemTextW(dialog, IDC_RECENT_STATUS, wideOf(text).c_str());
}

// More files read keep the list where the user is; a new search starts it
// from the top.
void OnViewPublished(HWND dialog)
{
    RecentRecordsState& state = stateOf(dialog);
    std::shared_ptr<const RecentView> now = state.loader->view();
    if (!now || now == state.view)
        return;
    HWND list = listOf(dialog);
    const bool sameSearch = state.view && state.view->search == now->search;
    if (sameSearch)
        carrySelection(list, *state.view, *now);
    else
        setSelected(list, -1, false);
    state.view = std::move(now);
    SendMessageW(list, LVM_SETITEMCOUNT, state.view->list.size(), sameSearch ? LVSICF_NOSCROLL : 0);
    InvalidateRect(list, nullptr, FALSE);
    showStatus(dialog, state);
}

std::string cellText(const JournalIndex& index, const RecentList& list, std::size_t line, int column)
{
    const std::uint32_t id = list.idOf(line);
    if (list.isTransfer(line)) {
        if (column == 0)
            return transferTimeText(index, id);
        return column == 1 ? transferSummaryText(index, id) : std::string{};
    }
    switch (column) {
    case 0: return recordClockText(index, id);
    case 1: return std::string(index.record(id));
    case 2: return std::string(index.windowTitle(id));
    default: return std::string(index.program(id));
    }
}

void OnGetDisplayInfo(HWND dialog, NMLVDISPINFOW& info)
{
    const RecentRecordsState& state = stateOf(dialog);
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return;
    item.pszText[0] = L'\0';
    const auto line = static_cast<std::size_t>(item.iItem);
    if (!state.view || line >= state.view->list.size())
        return;
    const JournalIndex& index = state.loader->index();
    std::string text;
    {
        const std::lock_guard hold(index.lock());
        text = cellText(index, state.view->list, line, item.iSubItem);
    }
    lstrcpynW(item.pszText, wideOf(text).c_str(), item.cchTextMax);
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
    HWND list = listOf(dialog);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    addColumns(dialog, list);
    state.loader = std::make_unique<RecentRecordsLoader>(
        state.journal, [dialog] { PostMessageW(dialog, kViewPublished, 0, 0); });
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDC_RECENT_SEARCH));
}

void OnSearchChanged(HWND dialog)
{
    wchar_t search[128] = {};
    GetDlgItemTextW(dialog, IDC_RECENT_SEARCH, search, 128);
    stateOf(dialog).loader->search(utf8Of(search));
}

// Nothing chosen: the window stays, and says nothing happened.
void OnTypeAgain(HWND dialog)
{
    RecentRecordsState& state = stateOf(dialog);
    const std::vector<std::size_t> picked = selectedLines(listOf(dialog));
    if (picked.empty() || !state.view) {
        MessageBeep(MB_OK);
        return;
    }
    std::vector<RowId> rows;
    {
        const std::lock_guard hold(state.loader->index().lock());
        rows = state.view->order->chosen(state.loader->index(), state.view->list, picked);
    }
    state.chosen = state.loader->readBack(rows);
    EndDialog(dialog, IDC_TYPE_AGAIN);
}

void OnCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDC_RECENT_SEARCH:
        if (notification == EN_CHANGE)
            OnSearchChanged(dialog);
        return;
    case IDC_TYPE_AGAIN: return OnTypeAgain(dialog);
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return;
    default: return;
    }
}

INT_PTR OnNotify(HWND dialog, const NMHDR& header)
{
    if (header.idFrom == IDC_RECENT_LIST && header.code == LVN_GETDISPINFOW)
        OnGetDisplayInfo(dialog, *reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
    return FALSE;
}

INT_PTR CALLBACK RecentRecordsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(dialog, *reinterpret_cast<RecentRecordsState*>(lParam)); return FALSE;
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: return OnNotify(dialog, *reinterpret_cast<const NMHDR*>(lParam));
    case kViewPublished: OnViewPublished(dialog); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

// The loader ends with the window: a read under way is finished or let go.
std::vector<JournalRow> showRecentRecords(HINSTANCE instance, HWND owner, JournalStore& journal)
{
    RecentRecordsState state{journal, nullptr, nullptr, {}};
    DialogBoxParamW(instance, L"RecentRecordsDlg", owner, RecentRecordsDlgProc, reinterpret_cast<LPARAM>(&state));
    state.loader.reset();
    return std::move(state.chosen);
}

}  // namespace orvanta
