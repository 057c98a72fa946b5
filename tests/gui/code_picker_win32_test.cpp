#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_win32.h"
#include "gui/gui_session_win32.h"
#include "res/resource.h"
#include "ui/code_picker_win32.h"

namespace orvanta::gui {
namespace {

constexpr char kGridCaption[] = "The Grid Control";

Program& program()
{
    return theApp().program;
}

// What the grid holds while it is open.
struct GridState {
    std::string text;
    std::size_t count = 99;
    GridCell selected{-1, -1};
};

GridState gridState(HWND grid)
{
    const CodePickerState* picker = codePickerState(grid);
    if (!picker)
        return GridState{};
    return GridState{picker->codeText, picker->grid.count, picker->selected};
}

HWND openGrid(HWND dialog, int fieldId)
{
    postClick(GetDlgItem(dialog, fieldId), 4, 4);
    return waitForWindow(dialog, kGridCaption);
}

struct Point {
    int x, y;
};

GridMetrics metricsOf(HWND grid, RECT& client)
{
    GetClientRect(GetDlgItem(grid, IDC_GRID_AREA), &client);
    return gridMetrics(client.right, client.bottom);
}

Point cellCentre(HWND grid, GridCell cell)
{
    RECT client;
    const GridMetrics m = metricsOf(grid, client);
    return Point{(cell.column + 1) * m.cellWidth + m.cellWidth / 2, (cell.row + 1) * m.cellHeight + m.cellHeight / 2};
}

void clickCell(HWND grid, GridCell cell)
{
    const Point at = cellCentre(grid, cell);
    click(GetDlgItem(grid, IDC_GRID_AREA), at.x, at.y);
}

std::string listOf(const std::uint8_t (&list)[kWorkingListSize])
{
    return std::string(reinterpret_cast<const char*>(list), kWorkingListSize);
}

std::string padded(const std::string& codes)
{
    return codes + std::string(kWorkingListSize - codes.size(), '\0');
}

const GridCell kCellA{4, 1};
const GridCell kCellB{4, 2};
const GridCell kCellEnter{0, 13};

// Both dialogs side by side, so that one picture shows the open grid and
// the blue field it belongs to.
void placeSideBySide(HWND dialog, HWND grid)
{
    RECT dialogArea;
    GetWindowRect(dialog, &dialogArea);
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(grid, nullptr, dialogArea.right - dialogArea.left + 8, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

COLORREF screenPixelAtCentre(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, (area.left + area.right) / 2, (area.top + area.bottom) / 2);
    ReleaseDC(nullptr, screen);
    return colour;
}

TEST(CodePickerGui, PickingAThenEnterFillsThePrefixFieldAndItsWorkingList)
{
    resetProgram();
    program().settings.prefixEnabled = 1;
    GridState opened, picked;
    COLORREF fieldWhileOpen = 0;
    std::string fieldText;
    bool gridClosed = false;

    runSettingsDialog([&](HWND dialog) {
        HWND grid = openGrid(dialog, IDC_PREFIX_CODES);
        ASSERT_NE(grid, nullptr);
        opened = gridState(grid);
        clickCell(grid, kCellA);
        clickCell(grid, kCellEnter);
        picked = gridState(grid);
        saveScreenshot(grid, "code_picker");
        placeSideBySide(dialog, grid);
        saveScreenshot(dialog, grid, "code_picker_open");
        fieldWhileOpen = screenPixelAtCentre(GetDlgItem(dialog, IDC_PREFIX_CODES));
        pressButton(grid, IDC_GRID_OK);
        // The modal loop ends the grid at its next turn, after this click.
        gridClosed = waitUntil([grid] { return !IsWindow(grid); });
        fieldText = itemText(dialog, IDC_PREFIX_CODES);
        saveScreenshot(dialog, "settings_dialog");
    });

    EXPECT_EQ(opened.text, "");
    EXPECT_EQ(opened.count, 0u);
    EXPECT_EQ(opened.selected, kFirstSelectedCell);
    EXPECT_EQ(picked.text, " A Enter");
    EXPECT_EQ(picked.selected, kCellEnter);
    EXPECT_EQ(fieldWhileOpen, RGB(0, 0, 255));
    EXPECT_TRUE(gridClosed);
    EXPECT_EQ(fieldText, " A Enter");
    EXPECT_EQ(listOf(program().working.workingPrefix), padded("A\r"));
    EXPECT_EQ(listOf(program().working.workingSuffix), padded(""));
}

TEST(CodePickerGui, TheSuffixFieldEditsTheSuffixList)
{
    resetProgram();
    program().settings.prefixCodes = {'P'};
    program().settings.suffixEnabled = 1;
    std::string fieldText;
    runSettingsDialog([&](HWND dialog) {
        HWND grid = openGrid(dialog, IDC_SUFFIX_CODES);
        ASSERT_NE(grid, nullptr);
        clickCell(grid, GridCell{3, 1});
        pressButton(grid, IDC_GRID_OK);
        fieldText = itemText(dialog, IDC_SUFFIX_CODES);
    });
    EXPECT_EQ(fieldText, " 1");
    EXPECT_EQ(listOf(program().working.workingSuffix), padded("1"));
    EXPECT_EQ(listOf(program().working.workingPrefix), padded("P"));
}

TEST(CodePickerGui, AnEleventhCodeIsRefusedWithAWarning)
{
    resetProgram();
    program().settings.prefixEnabled = 1;
    GridState full, afterWarning;
    ShownBox box;
    runSettingsDialog([&](HWND dialog) {
        HWND grid = openGrid(dialog, IDC_PREFIX_CODES);
        ASSERT_NE(grid, nullptr);
        for (int i = 0; i < 10; ++i)
            clickCell(grid, kCellA);
        full = gridState(grid);
        const Point b = cellCentre(grid, kCellB);
        postClick(GetDlgItem(grid, IDC_GRID_AREA), b.x, b.y);
        box = answerMessageBox(dialog);
        SendMessageA(grid, WM_NULL, 0, 0);
        afterWarning = gridState(grid);
        pressButton(grid, IDC_GRID_OK);
    });
    EXPECT_EQ(full.count, 10u);
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.text, "Too many characters !!(max: 10)");
    EXPECT_EQ(afterWarning.count, 10u);
    EXPECT_EQ(afterWarning.text, full.text);
    EXPECT_EQ(afterWarning.selected, kCellB);   // the highlight moves all the same
    EXPECT_EQ(listOf(program().working.workingPrefix), padded("AAAAAAAAAA"));
}

TEST(CodePickerGui, BackspaceShortensTheListAndCancelLeavesItAsItWas)
{
    resetProgram();
    program().settings.prefixEnabled = 1;
    program().settings.prefixCodes = {'X', 'Y'};
    std::vector<std::string> texts;
    std::string fieldText;
    runSettingsDialog([&](HWND dialog) {
        HWND grid = openGrid(dialog, IDC_PREFIX_CODES);
        ASSERT_NE(grid, nullptr);
        texts.push_back(gridState(grid).text);
        clickCell(grid, kCellA);
        texts.push_back(gridState(grid).text);
        for (int i = 0; i < 4; ++i) {   // one more than there are codes
            pressButton(grid, IDC_GRID_BACKSPACE);
            texts.push_back(gridState(grid).text);
        }
        clickCell(grid, kCellB);
        texts.push_back(gridState(grid).text);
        pressButton(grid, IDC_GRID_CANCEL);
        fieldText = itemText(dialog, IDC_PREFIX_CODES);
    });
    EXPECT_EQ(texts, (std::vector<std::string>{" X Y", " X Y A", " X Y", " X", "", "", " B"}));
    EXPECT_EQ(fieldText, " X Y");
    EXPECT_EQ(listOf(program().working.workingPrefix), padded("XY"));
}

TEST(CodePickerGui, ClicksOnHeadersDisabledCellsAndTheMarginChangeNothing)
{
    resetProgram();
    program().settings.prefixEnabled = 1;
    GridState after;
    std::string fieldText = "unread";
    runSettingsDialog([&](HWND dialog) {
        HWND grid = openGrid(dialog, IDC_PREFIX_CODES);
        ASSERT_NE(grid, nullptr);
        RECT client;
        const GridMetrics m = metricsOf(grid, client);
        const Point a = cellCentre(grid, kCellA);
        std::vector<Point> points = {{2, 2}, {a.x, m.cellHeight / 2}, {m.cellWidth / 2, a.y}};
        for (std::uint8_t code : {0x00, 0x0A, 0x1D, 0x1E, 0x1F, 0x7F})
            points.push_back(cellCentre(grid, GridCell{code >> 4, code & 15}));
        if (client.right > 9 * m.cellWidth)
            points.push_back({9 * m.cellWidth, a.y});
        if (client.bottom > 17 * m.cellHeight)
            points.push_back({a.x, 17 * m.cellHeight});
        for (const Point& p : points)
            click(GetDlgItem(grid, IDC_GRID_AREA), p.x, p.y);
        after = gridState(grid);
        pressButton(grid, IDC_GRID_OK);
        fieldText = itemText(dialog, IDC_PREFIX_CODES);
    });
    EXPECT_EQ(after.text, "");
    EXPECT_EQ(after.count, 0u);
    EXPECT_EQ(after.selected, kFirstSelectedCell);
    EXPECT_EQ(fieldText, "");
    EXPECT_EQ(listOf(program().working.workingPrefix), padded(""));
}

void putOnClipboard(HWND owner, const char* text)
{
    const std::size_t size = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), text, size);
    GlobalUnlock(memory);
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        SetClipboardData(CF_TEXT, memory);
        CloseClipboard();
    }
}

TEST(CodePickerGui, CodeFieldsRefuseTypingAndEditingButTheCaretKeysMove)
{
    resetProgram();
    program().settings.prefixEnabled = 1;
    program().settings.prefixCodes = {'A', 'B'};
    std::string afterTyping;
    std::vector<std::string> afterEdits;
    DWORD caretAtHome = 99, caretAtEnd = 0;
    runSettingsDialog([&](HWND dialog) {
        HWND field = GetDlgItem(dialog, IDC_PREFIX_CODES);
        SendMessageA(field, EM_SETSEL, 0, -1);
        SendMessageA(field, WM_CHAR, 'x', 0);
        SendMessageA(field, WM_KEYDOWN, VK_DELETE, 0);
        SendMessageA(field, WM_CHAR, VK_BACK, 0);
        // What the edit menu sends: each on the whole text, and Paste with
        // something on the clipboard.
        const UINT edits[] = {WM_CUT, WM_CLEAR, WM_PASTE, WM_UNDO, EM_UNDO};
        for (UINT edit : edits) {
            putOnClipboard(dialog, "pasted");
            SendMessageA(field, EM_SETSEL, 0, -1);
            SendMessageA(field, edit, 0, 0);
            afterEdits.push_back(windowText(field));
        }
        afterTyping = windowText(field);
        SendMessageA(field, WM_KEYDOWN, VK_HOME, 0);
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&caretAtHome), 0);
        SendMessageA(field, WM_KEYDOWN, VK_END, 0);
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&caretAtEnd), 0);
    });
    EXPECT_EQ(afterTyping, " A B");
    EXPECT_EQ(afterEdits, std::vector<std::string>(5, " A B")) << "cut, clear, paste, undo, undo";
    EXPECT_EQ(caretAtHome, 0u);
    EXPECT_EQ(caretAtEnd, 4u);
}

TEST(CodePickerGui, AGridOpenedByAnyOtherWindowEndsAtOnce)
{
    resetProgram();
    EXPECT_EQ(DialogBoxParamA(theApp().instance, "GridDlg", theApp().mainWindow, GridDlgProc, 0), IDC_GRID_CANCEL);
}

}  // namespace
}  // namespace orvanta::gui
