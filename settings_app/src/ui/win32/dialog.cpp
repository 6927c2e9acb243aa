// DialogBase on the Win32 dialog manager: dialogs are created from the module's DIALOGEX
// resources (or a test's template built in memory), run modally with their owner disabled,
// and ended, texts set and read and windows centred through the platform's calls.
#include "ui/dialog.h"

#include <algorithm>

#include "ui/backend_shared.h"
#include "ui/presenter.h"

// After the layer's headers: the platform's macros would otherwise rewrite the layer's names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui {

using namespace win32;

DialogBase::~DialogBase() {
    // The derived dialog is gone by now, so its message map hears nothing more; the window is
    // simply destroyed.
    if (hwnd_ != nullptr) {
        ::HWND window = native(hwnd_);
        forgetDialog(window);
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
}

LRESULT DialogBase::sendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd_ != nullptr) {
        return SendMessageW(native(hwnd_), message, wParam, lParam);
    }
    // No window: the message map alone, then the default processing's answer.
    LRESULT result = 0;
    if (processWindowMessage(decode(message, wParam, lParam), result)) {
        return result;
    }
    return message == WM_INITDIALOG ? 1 : 0;
}

HWND DialogBase::create(HWND parent) {
    if (hwnd_ != nullptr) {
        return nullptr;
    }
    ::HWND window = createFromTemplate(*this, native(parent));
    return window != nullptr && hwnd_ == layer(window) ? hwnd_ : nullptr;
}

LRESULT DialogBase::doModal(HWND parent) {
    if (hwnd_ != nullptr) {
        return -1;
    }
    if (terminationRequested()) {
        return IDCANCEL;
    }
    // Owned by the top-level window of the given parent, as the dialog manager does.
    ::HWND owner = topLevelOf(native(parent));
    ::HWND window = createFromTemplate(*this, owner);
    if (window == nullptr) {
        return -1;
    }
    DialogState* state = dialogState(window);
    if (state == nullptr) {
        DestroyWindow(window);
        return -1;
    }
    state->modal = true;
    if (!state->ended) {
        state->owner = owner;
        state->ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner) != FALSE;
        if (state->ownerWasEnabled) {
            EnableWindow(owner, FALSE);
        }
        ShowWindow(window, SW_SHOW);
        presenter().runModal(*this);
        state = dialogState(window);
        if (state != nullptr && !state->ended) {
            endDialog(IDCANCEL);
        }
    }
    state = dialogState(window);
    const LRESULT result = state != nullptr ? state->result : IDCANCEL;
    if (IsWindow(window) != FALSE && hwnd_ == layer(window)) {
        DestroyWindow(window);
    }
    if (owner != nullptr && IsWindow(owner) != FALSE && IsWindowEnabled(owner) != FALSE &&
        IsWindowVisible(owner) != FALSE) {
        SetActiveWindow(owner);
    }
    return result;
}

bool DialogBase::destroyWindow() {
    if (hwnd_ == nullptr) {
        return false;
    }
    // WM_DESTROY reaches the message map; WM_NCDESTROY lets go of the window.
    return DestroyWindow(native(hwnd_)) != FALSE;
}

bool DialogBase::endDialog(LRESULT result) {
    ::HWND window = native(hwnd_);
    DialogState* state = dialogState(window);
    if (state == nullptr || state->ended) {
        return false;
    }
    state->ended = true;
    state->result = result;
    // The owner takes input again before the dialog goes, so that it is the one activated.
    if (state->owner != nullptr && state->ownerWasEnabled) {
        EnableWindow(state->owner, TRUE);
        state->ownerWasEnabled = false;
    }
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Wakes the modal loop, which looks at the state after every message.
    PostMessageW(window, WM_NULL, 0, 0);
    return true;
}

HWND DialogBase::getDlgItem(int id) const {
    return hwnd_ != nullptr ? layer(GetDlgItem(native(hwnd_), id)) : nullptr;
}

bool DialogBase::setWindowText(const char16_t* text) {
    return hwnd_ != nullptr && SetWindowTextW(native(hwnd_), text != nullptr ? wide(text) : L"");
}

bool DialogBase::setDlgItemText(int id, const char16_t* text) {
    return hwnd_ != nullptr &&
           SetDlgItemTextW(native(hwnd_), id, text != nullptr ? wide(text) : L"") != FALSE;
}

std::u16string DialogBase::getDlgItemText(int id) const {
    HWND item = getDlgItem(id);
    return item != nullptr ? win32::windowText(native(item)) : std::u16string();
}

bool DialogBase::centerWindow(HWND parent) {
    ::HWND window = native(hwnd_);
    if (window == nullptr) {
        return false;
    }
    ::RECT self{};
    GetWindowRect(window, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    const bool child = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (child) {
        // A page: within its parent's client area.
        ::HWND host = GetParent(window);
        ::RECT area{};
        GetClientRect(host, &area);
        const int x = area.left + (area.right - area.left - width) / 2;
        const int y = area.top + (area.bottom - area.top - height) / 2;
        return SetWindowPos(window, nullptr, x, y, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
    }
    ::HWND over = native(parent);
    if (over == nullptr) {
        over = GetWindow(window, GW_OWNER);
    }
    if (over != nullptr && (IsWindowVisible(over) == FALSE || IsIconic(over) != FALSE)) {
        over = nullptr;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(over != nullptr ? over : window, MONITOR_DEFAULTTONEAREST),
                    &monitor);
    const ::RECT work = monitor.rcWork;
    ::RECT centre = work;
    if (over != nullptr) {
        GetWindowRect(over, &centre);
    }
    int x = centre.left + (centre.right - centre.left - width) / 2;
    int y = centre.top + (centre.bottom - centre.top - height) / 2;
    // Kept inside the work area.
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) !=
           FALSE;
}

}  // namespace ui
