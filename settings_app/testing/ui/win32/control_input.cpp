// Driving dialogs on Win32 by control id as the user does: clicks, typing, choices, focus and the
// close box; and finding a dialog by its template.
#include "ui/seams.h"
#include "ui/testing.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "ui/win32/backend.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

bool usable(::HWND window) {
    return window != nullptr && IsWindowEnabled(window) != FALSE &&
           IsWindowVisible(window) != FALSE;
}

// Enabled, and so is every window it lies in: what typing and choosing need, on a page behind
// another tab as much as on the one shown.
bool enabled(::HWND window) {
    for (::HWND w = window; w != nullptr; w = GetParent(w)) {
        if (IsWindowEnabled(w) == FALSE) {
            return false;
        }
        if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return window != nullptr;
}

struct DialogSearch {
    int id;
    DialogBase* found = nullptr;
};

BOOL CALLBACK searchChild(::HWND window, ::LPARAM data) {
    auto* s = reinterpret_cast<DialogSearch*>(data);  // NOLINT(performance-no-int-to-ptr)
    if (DialogBase* d = dialogOf(window); d != nullptr && d->templateId() == s->id) {
        s->found = d;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK searchTopLevel(::HWND window, ::LPARAM data) {
    auto* s = reinterpret_cast<DialogSearch*>(data);  // NOLINT(performance-no-int-to-ptr)
    if (searchChild(window, data) != FALSE) {
        EnumChildWindows(window, searchChild, data);
    }
    return s->found == nullptr ? TRUE : FALSE;
}

}  // namespace

void detail::closeIfStillRunning(DialogBase& dialog) {
    ::HWND window = native(dialog.hwnd());
    const DialogState* state = dialogState(window);
    if (state != nullptr && !state->ended) {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

DialogBase* findDialog(int templateId) {
    DialogSearch search{templateId};
    EnumThreadWindows(GetCurrentThreadId(), searchTopLevel, reinterpret_cast<::LPARAM>(&search));
    return search.found;
}

bool click(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!usable(item) || !hasClass(item, WC_BUTTONW)) {
        return false;
    }
    const auto type = static_cast<UINT>(GetWindowLongPtrW(item, GWL_STYLE)) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) {
        const LRESULT checked = SendMessageW(item, BM_GETCHECK, 0, 0);
        SendMessageW(item, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    SendMessageW(GetParent(item), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(item));
    return true;
}

bool clickTab(DialogBase& dialog, int tabControlId, int index) {
    ::HWND tabs = native(dialog.getDlgItem(tabControlId));
    if (!usable(tabs) || index < 0 ||
        index >= static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0))) {
        return false;
    }
    ::NMHDR header{};
    header.hwndFrom = tabs;
    header.idFrom = static_cast<UINT_PTR>(tabControlId);
    header.code = static_cast<UINT>(TCN_SELCHANGING);
    if (SendMessageW(GetParent(tabs), WM_NOTIFY, header.idFrom,
                     reinterpret_cast<LPARAM>(&header)) != 0) {
        return true;  // the page refused to be left
    }
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageW(GetParent(tabs), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    return true;
}

bool typeText(DialogBase& dialog, int id, const std::u16string& text) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!enabled(item) || !(hasClass(item, WC_EDITW) || hasClass(item, L"RichEdit20W")) ||
        (GetWindowLongPtrW(item, GWL_STYLE) & ES_READONLY) != 0) {
        return false;
    }
    SendMessageW(item, EM_SETSEL, 0, -1);
    // Typed text replaces the selection; the field tells its dialog as typing does.
    SendMessageW(item, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide(text.c_str())));
    if (hasClass(item, L"RichEdit20W")) {
        SendMessageW(GetParent(item), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE),
                     reinterpret_cast<LPARAM>(item));
    }
    return true;
}

bool chooseListEntry(DialogBase& dialog, int id, int index) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!enabled(item) || index < 0 ||
        index >= static_cast<int>(SendMessageW(item, CB_GETCOUNT, 0, 0))) {
        return false;
    }
    SendMessageW(item, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(item), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(item));
    return true;
}

bool openDropDown(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!usable(item) || !hasClass(item, WC_COMBOBOXW)) {
        return false;
    }
    SetFocus(item);
    SendMessageW(item, CB_SHOWDROPDOWN, TRUE, 0);
    return dropDownOpen(dialog, id);
}

bool dropDownOpen(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    return item != nullptr && SendMessageW(item, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

bool focusControl(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!usable(item)) {
        return false;
    }
    SetFocus(item);
    return GetFocus() == item;
}

void closeBox(DialogBase& dialog) {
    ::HWND window = native(dialog.hwnd());
    if (window == nullptr) {
        return;
    }
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    // The dialog manager posts the Cancel that a close becomes: delivered now, as a click is.
    ::MSG msg{};
    while (IsWindow(window) != FALSE &&
           PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE) != FALSE) {
        DispatchMessageW(&msg);
    }
}

}  // namespace ui::testing
