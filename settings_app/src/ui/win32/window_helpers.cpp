// The window helpers that each do one thing, icon resources and brushes, on Win32 windows.
#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "ui/controls.h"
#include "ui/dialog.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui {

namespace win32 {

std::u16string windowText(::HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return std::u16string(u16(text.data(), static_cast<std::size_t>(std::max(copied, 0))));
}

}  // namespace win32

using namespace win32;

bool showWindow(HWND window, int showCommand) {
    return window != nullptr && ShowWindow(native(window), showCommand) != FALSE;
}

HWND getActiveWindow() {
    // The window whose handler runs now when it takes input (the user just pressed one of its
    // buttons), else the thread's active window.
    ::HWND window = dispatchingWindow();
    if (window == nullptr || IsWindowEnabled(window) == FALSE || IsWindowVisible(window) == FALSE) {
        window = GetActiveWindow();
    }
    return layer(window);
}

bool enableWindow(HWND window, bool enable) {
    return EnableWindow(native(window), enable ? TRUE : FALSE) != FALSE;
}

bool isWindowEnabled(HWND window) {
    return window != nullptr && IsWindowEnabled(native(window)) != FALSE;
}

bool isWindowVisible(HWND window) {
    return window != nullptr && IsWindowVisible(native(window)) != FALSE;
}

int getDlgCtrlId(HWND window) {
    return window != nullptr ? GetDlgCtrlID(native(window)) : 0;
}

HICON loadIcon(int resourceId, int size) {
    // Loaded icons live as long as the process, as shared icon resources do.
    static std::map<std::pair<int, int>, ::HICON> icons;
    auto& slot = icons[{resourceId, size}];
    if (slot == nullptr) {
        slot = static_cast<::HICON>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(resourceId),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    return reinterpret_cast<HICON>(slot);
}

bool setIcon(HWND window, HICON icon, WPARAM which) {
    if (window == nullptr || icon == nullptr) {
        return false;
    }
    SendMessageW(native(window), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    return true;
}

int getSystemMetrics(SystemMetric metric) {
    switch (metric) {
        case SystemMetric::cxIcon:
            return GetSystemMetrics(SM_CXICON);
        case SystemMetric::cyIcon:
            return GetSystemMetrics(SM_CYICON);
        case SystemMetric::cxSmIcon:
            return GetSystemMetrics(SM_CXSMICON);
        case SystemMetric::cySmIcon:
            return GetSystemMetrics(SM_CYSMICON);
    }
    return 0;
}

HBRUSH createSolidBrush(COLORREF color) {
    return reinterpret_cast<HBRUSH>(CreateSolidBrush(color));
}

bool deleteBrush(HBRUSH brush) {
    return brush != nullptr && DeleteObject(reinterpret_cast<HGDIOBJ>(brush)) != FALSE;
}

}  // namespace ui
