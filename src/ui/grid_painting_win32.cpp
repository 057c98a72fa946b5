/*
 * Painting of the code picker: the grid of key names with its headers and
 * highlighted cell, the result text with its sunken edge, and a code field
 * while its grid is open (blue, no text).
 */
#include "ui/grid_painting_win32.h"

#include "ui/code_labels.h"

namespace orvanta {
namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kLightGrey = RGB(196, 196, 196);
const COLORREF kDarkGrey = RGB(128, 128, 128);

RECT toRect(const PixelRect& r)
{
    return RECT{r.left, r.top, r.right, r.bottom};
}

void line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void fill(HDC dc, RECT area, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void centredText(HDC dc, const char* text, RECT area, COLORREF colour)
{
    SetTextColor(dc, colour);
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Holds a DC with the control's font and a transparent text background.
struct ControlDc {
    ControlDc(HWND control, HDC dc) : dc(dc)
    {
        oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
    }
    ~ControlDc() { SelectObject(dc, oldFont); }
    HDC dc;
    HGDIOBJ oldFont;
};

// Step by step: grey headers, white cells, white and grey inner lines,
// black outer lines, then the names.
void drawBackground(HDC dc, const RECT& c, const GridMetrics& m)
{
    const int cw = m.cellWidth, ch = m.cellHeight;
    FillRect(dc, &c, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    fill(dc, RECT{cw, ch, c.right, c.bottom}, kWhite);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    const POINT whiteFrame[] = {{1, 1}, {1, c.bottom + 1}, {c.right + 1, c.bottom + 1}, {c.right + 1, 1}, {1, 1}};
    Polyline(dc, whiteFrame, 5);
    for (int k = 1; k <= kGridRows; ++k)
        line(dc, 1, 1 + k * ch, cw, 1 + k * ch);
    for (int k = 1; k <= kGridColumns; ++k)
        line(dc, 1 + k * cw, 1, 1 + k * cw, ch);
}

void drawInnerLines(HDC dc, const RECT& c, const GridMetrics& m)
{
    const int cw = m.cellWidth, ch = m.cellHeight;
    HPEN grey = CreatePen(PS_SOLID, 1, kLightGrey);
    HGDIOBJ old = SelectObject(dc, grey);
    for (int k = 2; k <= kGridRows; ++k)
        line(dc, cw, k * ch, c.right, k * ch);
    for (int k = 2; k <= kGridColumns; ++k)
        line(dc, k * cw, ch, k * cw, c.bottom);
    SelectObject(dc, old);
    DeleteObject(grey);
}

void drawOuterLines(HDC dc, const RECT& c, const GridMetrics& m)
{
    const int cw = m.cellWidth, ch = m.cellHeight;
    SelectObject(dc, GetStockObject(BLACK_PEN));
    const POINT frame[] = {{0, 0}, {0, c.bottom}, {c.right, c.bottom}, {c.right, 0}, {0, 0}};
    Polyline(dc, frame, 5);
    line(dc, 0, ch, c.right - 1, ch);
    for (int k = 2; k <= kGridRows; ++k)
        line(dc, 0, k * ch, cw, k * ch);
    line(dc, cw, 0, cw, c.bottom - 1);
    for (int k = 2; k <= kGridColumns; ++k)
        line(dc, k * cw, 0, k * cw, ch);
}

void drawNames(HDC dc, const GridMetrics& m)
{
    for (int column = 0; column < kGridColumns; ++column)
        centredText(dc, columnHeader(column).text, toRect(columnHeaderRect(m, column)), kBlack);
    for (int row = 0; row < kGridRows; ++row)
        centredText(dc, rowHeader(row).text, toRect(rowHeaderRect(m, row)), kBlack);
    for (int column = 0; column < kGridColumns; ++column) {
        for (int row = 0; row < kGridRows; ++row) {
            const std::uint8_t code = codeAt(GridCell{column, row});
            const COLORREF colour = isDisabledCode(code) ? kLightGrey : kBlack;
            centredText(dc, codeLabel(code).text, toRect(cellRect(m, GridCell{column, row})), colour);
        }
    }
}

void drawHighlight(HDC dc, const GridMetrics& m, GridCell cell, bool selected)
{
    const RECT square = toRect(highlightRect(m, cell));
    fill(dc, RECT{square.left + 1, square.top + 1, square.right - 1, square.bottom - 1}, selected ? kBlue : kWhite);
    centredText(dc, codeLabel(codeAt(cell)).text, square, selected ? kWhite : kBlack);
}

GridMetrics metricsOf(HWND gridArea, RECT& client)
{
    GetClientRect(gridArea, &client);
    return gridMetrics(client.right, client.bottom);
}

}  // namespace

void paintGrid(HWND gridArea, GridCell selected)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(gridArea, &paint);
    {
        ControlDc held(gridArea, dc);
        RECT client;
        const GridMetrics m = metricsOf(gridArea, client);
        const int savedState = SaveDC(dc);
        drawBackground(dc, client, m);
        drawInnerLines(dc, client, m);
        drawOuterLines(dc, client, m);
        RestoreDC(dc, savedState);
        drawNames(dc, m);
        drawHighlight(dc, m, selected, true);
    }
    EndPaint(gridArea, &paint);
}

void paintCellHighlight(HWND gridArea, GridCell cell, bool selected)
{
    HDC dc = GetDC(gridArea);
    {
        ControlDc held(gridArea, dc);
        RECT client;
        drawHighlight(dc, metricsOf(gridArea, client), cell, selected);
    }
    ReleaseDC(gridArea, dc);
}

// A sunken white box: grey shadow at the top and left, white light at the
// bottom and right, the text grey and 5 pixels in.
void paintResultText(HWND resultText, const char* codeText)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(resultText, &paint);
    {
        ControlDc held(resultText, dc);
        RECT c;
        GetClientRect(resultText, &c);
        const int savedState = SaveDC(dc);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, c.left + 1, c.top + 1, c.right, c.bottom);
        SelectObject(dc, GetStockObject(WHITE_PEN));
        const POINT light[] = {{0, c.bottom}, {c.right, c.bottom}, {c.right, 0}};
        Polyline(dc, light, 3);
        HPEN grey = CreatePen(PS_SOLID, 1, kDarkGrey);
        SelectObject(dc, grey);
        const POINT shadow[] = {{0, c.bottom}, {0, 0}, {c.right, 0}};
        Polyline(dc, shadow, 3);
        RestoreDC(dc, savedState);
        DeleteObject(grey);
        SetTextColor(dc, kDarkGrey);
        RECT text{c.left + 5, c.top, c.right, c.bottom};
        DrawTextA(dc, codeText, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    EndPaint(resultText, &paint);
}

void paintOpenCodeField(HWND field)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(field, &paint);
    RECT c;
    GetClientRect(field, &c);
    HBRUSH blue = CreateSolidBrush(kBlue);
    const int savedState = SaveDC(dc);
    SelectObject(dc, blue);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, c.left, c.top, c.right, c.bottom);
    RestoreDC(dc, savedState);
    DeleteObject(blue);
    EndPaint(field, &paint);
}

}  // namespace orvanta
