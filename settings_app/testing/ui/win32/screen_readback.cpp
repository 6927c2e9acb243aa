// What a window looks like, read back from the screen: pictures of windows and the colour a
// dialog paints.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/testing.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"
#include "ui/win32/seams.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

// The window as drawn, frame included, read from the screen.
bool capture(::HWND window, std::vector<uint8_t>& rgb, int& width, int& height) {
    ::RECT r{};
    if (window == nullptr || GetWindowRect(window, &r) == FALSE) {
        return false;
    }
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    UpdateWindow(window);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (PrintWindow(window, memory, 0) == FALSE) {
            BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        }
        GdiFlush();
        const auto* px = static_cast<const uint8_t*>(bits);
        rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
            rgb[i * 3] = px[i * 4 + 2];
            rgb[i * 3 + 1] = px[i * 4 + 1];
            rgb[i * 3 + 2] = px[i * 4];
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool saveWindow(::HWND window, const std::string& path) {
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    return capture(window, rgb, width, height) && writePng(path, width, height, rgb);
}

}  // namespace

bool saveActiveModal(const std::string& path) {
    ::HWND active = GetActiveWindow();
    return active != nullptr && GetWindow(active, GW_OWNER) != nullptr && saveWindow(active, path);
}

COLORREF backgroundColor(HWND window) {
    ::HWND w = native(window);
    if (w == nullptr) {
        return 0;
    }
    // What the dialog paints its background with: the WM_CTLCOLORDLG brush, else the system's.
    HDC dc = GetDC(w);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(w, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w)));
    ReleaseDC(w, dc);
    LOGBRUSH logBrush{};
    if (brush != nullptr && GetObjectW(brush, sizeof logBrush, &logBrush) != 0 &&
        logBrush.lbStyle == BS_SOLID) {
        return logBrush.lbColor;
    }
    return GetSysColor(COLOR_BTNFACE);
}

bool saveScreenshot(HWND window, const std::string& path) {
    return saveWindow(native(window), path);
}

}  // namespace ui::testing
