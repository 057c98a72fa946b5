/*
 * Screenshots of dialogs as PNG files, so a person can compare the layout
 * with the design. The pixels come from the screen, as the user sees them;
 * the PNG is written with stored (uncompressed) deflate blocks, which any
 * viewer reads and which needs no library.
 */
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/gui_session_win32.h"

namespace orvanta::gui {
namespace {

std::string screenshotDirectory;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(Bytes& out, const char* type, const Bytes& data)
{
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBigEndian(out, crc32(typed.data(), typed.size()));
}

Bytes zlibStored(const Bytes& raw)
{
    Bytes out{0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const auto length = static_cast<std::uint16_t>(std::min<std::size_t>(65535, raw.size() - at));
        out.push_back(at + length >= raw.size() ? 1 : 0);
        for (std::uint16_t v : {length, static_cast<std::uint16_t>(~length)}) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    putBigEndian(out, (b << 16) | a);
    return out;
}

// Rows of 32-bit BGRX pixels, top row first, to an RGB PNG.
Bytes encodePng(const std::uint8_t* pixels, int width, int height)
{
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);   // no filter
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x)
            raw.insert(raw.end(), {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]});
    }
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8-bit RGB
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlibStored(raw));
    putChunk(png, "IEND", {});
    return png;
}

void captureScreen(const RECT& area, const char* name)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (screenshotDirectory.empty() || width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const Bytes png = encodePng(static_cast<const std::uint8_t*>(bits), width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    CreateDirectoryA(screenshotDirectory.c_str(), nullptr);
    const std::string path = screenshotDirectory + "/" + name + ".png";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(png.data(), 1, png.size(), file);
        std::fclose(file);
    }
}

// Lets the windows finish painting before the pixels are read.
void settle(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    SendMessageA(window, WM_NULL, 0, 0);
    Sleep(300);
}

}  // namespace

void setScreenshotDirectory(const std::string& directory)
{
    screenshotDirectory = directory;
}

void saveScreenshot(HWND window, const char* name)
{
    settle(window);
    RECT area;
    GetWindowRect(window, &area);
    captureScreen(area, name);
}

void saveScreenshot(HWND first, HWND second, const char* name)
{
    settle(first);
    settle(second);
    RECT a, b, both;
    GetWindowRect(first, &a);
    GetWindowRect(second, &b);
    UnionRect(&both, &a, &b);
    captureScreen(both, name);
}

}  // namespace orvanta::gui
