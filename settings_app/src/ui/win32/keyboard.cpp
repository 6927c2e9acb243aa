// The dialog manager's keyboard handling, with the keys the layer settles itself so that every
// backend behaves alike: Ctrl+Tab pages through a tabbed dialog, Escape cancels the dialog in
// front from any of its fields, Enter in a page's field does not end the dialog around it.
#include <algorithm>

#include "ui/controls.h"
#include "ui/dialog.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/backend.h"

namespace ui {

using namespace win32;

namespace {

// True when window is dialog itself or lies inside it (its pages included).
bool belongsTo(::HWND window, ::HWND dialog) {
    return window != nullptr && (window == dialog || IsChild(dialog, window) != FALSE);
}

::HWND firstChildOfClass(::HWND dialog, const wchar_t* className) {
    for (::HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (hasClass(c, className)) {
            return c;
        }
    }
    return nullptr;
}

LRESULT notify(::HWND from, int code) {
    ::NMHDR header{};
    header.hwndFrom = from;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(from));
    header.code = static_cast<UINT>(code);
    return SendMessageW(GetParent(from), WM_NOTIFY, header.idFrom,
                        reinterpret_cast<LPARAM>(&header));
}

void command(::HWND dialog, int id, ::HWND from) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(from));
}

bool isPushButton(::HWND window) {
    if (!hasClass(window, WC_BUTTONW)) {
        return false;
    }
    const auto type = static_cast<UINT>(GetWindowLongPtrW(window, GWL_STYLE)) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool isEditField(::HWND window) {
    return hasClass(window, WC_EDITW) || hasClass(window, L"RichEdit20W");
}

// An open drop-down list takes Enter and Escape itself (choose, or close the list).
bool inOpenDropDown(::HWND focus) {
    for (::HWND w = focus; w != nullptr; w = GetParent(w)) {
        if (hasClass(w, WC_COMBOBOXW)) {
            return SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0) != 0;
        }
        if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return false;
}

bool pageThrough(::HWND dialog, bool backwards) {
    ::HWND tabs = firstChildOfClass(dialog, WC_TABCONTROLW);
    if (tabs == nullptr) {
        return false;
    }
    const auto count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    if (count > 1) {
        const int current = std::max(0, static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
        const int next = (current + (backwards ? count - 1 : 1)) % count;
        if (notify(tabs, static_cast<int>(TCN_SELCHANGING)) == 0) {
            SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
            notify(tabs, static_cast<int>(TCN_SELCHANGE));
        }
    }
    return true;
}

bool pressEnter(::HWND dialog, ::HWND focus) {
    // A focused push button is the default for the moment; else the dialog's default push
    // button; else command 1, but never from inside a page: Enter in a page's field does not
    // close the dialog behind the operator's back.
    if (isPushButton(focus)) {
        if (IsWindowEnabled(focus) != FALSE) {
            command(GetParent(focus), GetDlgCtrlID(focus), focus);
        }
        return true;
    }
    for (::HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (isPushButton(c) && (static_cast<UINT>(GetWindowLongPtrW(c, GWL_STYLE)) & BS_TYPEMASK) ==
                                   BS_DEFPUSHBUTTON) {
            if (IsWindowEnabled(c) != FALSE) {
                command(dialog, GetDlgCtrlID(c), c);
            }
            return true;
        }
    }
    if (focus == dialog || GetParent(focus) == dialog) {
        command(dialog, IDOK, nullptr);
    }
    return true;
}

}  // namespace

bool isDialogMessage(HWND window, ui::MSG& msg) {
    ::HWND dialog = native(window);
    ::HWND target = native(msg.hwnd);
    if (dialog == nullptr || IsWindow(dialog) == FALSE || !belongsTo(target, dialog)) {
        return false;
    }
    if (msg.message == WM_KEYDOWN && !inOpenDropDown(target)) {
        if (msg.wParam == VK_TAB && msg.control) {
            // Ctrl+Tab and Ctrl+Shift+Tab page through a tabbed dialog as a click on a tab would.
            return pageThrough(dialog, msg.shift);
        }
        if (msg.wParam == VK_ESCAPE) {
            // The dialog's Cancel from whichever field has the focus, a multi-line one included.
            command(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
            return true;
        }
        if (msg.wParam == VK_RETURN) {
            const bool wantsReturn =
                isEditField(target) && (GetWindowLongPtrW(target, GWL_STYLE) & ES_WANTRETURN) != 0;
            if (!wantsReturn) {
                return pressEnter(dialog, target);
            }
        }
    }
    ::MSG nativeMsg = toNative(msg);
    return IsDialogMessageW(dialog, &nativeMsg) != FALSE;
}

}  // namespace ui
