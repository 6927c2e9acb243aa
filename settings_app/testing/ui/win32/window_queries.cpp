// What a user sees of a window on Win32, and what assistive tools read.
#include <algorithm>
#include <string>

#include "ui/controls.h"
#include "ui/dialog_template.h"
#include "ui/testing.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/backend.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

// Template entry of a control, found through the dialog it belongs to.
const ControlTemplate* controlTemplate(::HWND control) {
    DialogBase* dialog = dialogOf(GetParent(control));
    const DialogTemplate* t =
        dialog != nullptr ? findDialogTemplate(dialog->templateId()) : nullptr;
    if (t == nullptr) {
        return nullptr;
    }
    const int id = GetDlgCtrlID(control);
    for (const ControlTemplate& c : t->controls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

bool isField(::HWND window) {
    return hasClass(window, WC_EDITW) || hasClass(window, L"RichEdit20W") ||
           hasClass(window, WC_COMBOBOXW) || hasClass(window, WC_LISTVIEWW);
}

// The static text naming a control: the one paired with it in the template, else for a field
// or list the static text just before it (windows of a dialog are in template order).
::HWND labelOf(::HWND control) {
    if (control == nullptr) {
        return nullptr;
    }
    if (const ControlTemplate* c = controlTemplate(control); c != nullptr && c->labelId != 0) {
        return GetDlgItem(GetParent(control), c->labelId);
    }
    if (!isField(control)) {
        return nullptr;
    }
    ::HWND previous = GetWindow(control, GW_HWNDPREV);
    return previous != nullptr && hasClass(previous, WC_STATICW) ? previous : nullptr;
}

std::u16string withoutMnemonics(std::u16string text) {
    text.erase(std::remove(text.begin(), text.end(), u'&'), text.end());
    return text;
}

}  // namespace

bool busyCursorShown() {
    return win32::busyCursorShown();
}

std::u16string fontFamily(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(native(window), WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (font == nullptr || GetObjectW(font, sizeof logFont, &logFont) == 0) {
        return {};
    }
    return std::u16string(reinterpret_cast<const char16_t*>(logFont.lfFaceName));
}

std::u16string windowText(HWND window) {
    return win32::windowText(native(window));
}

std::u16string accessibleName(HWND window) {
    ::HWND w = native(window);
    if (w == nullptr) {
        return {};
    }
    // As assistive tools read a dialog: a button, a box and a static text by their own text; a
    // drop-down list by its entry; a field by its label; a list without one by its heading.
    if (hasClass(w, WC_STATICW) || hasClass(w, WC_BUTTONW)) {
        return withoutMnemonics(win32::windowText(w));
    }
    if (hasClass(w, WC_COMBOBOXW)) {
        const auto selected = static_cast<int>(SendMessageW(w, CB_GETCURSEL, 0, 0));
        return selected >= 0 ? ComboBox(window).getLBText(selected) : std::u16string();
    }
    if (::HWND label = labelOf(w)) {
        return withoutMnemonics(win32::windowText(label));
    }
    if (hasClass(w, WC_LISTVIEWW)) {
        return ListView(window).getColumnText(0);
    }
    return win32::windowText(w);
}

std::u16string accessibleLabel(HWND window) {
    ::HWND label = labelOf(native(window));
    return label != nullptr ? win32::windowText(label) : std::u16string();
}

bool isMinimized(HWND window) {
    return window != nullptr && IsIconic(native(window)) != FALSE;
}

bool hasFocus(HWND window) {
    return window != nullptr && GetFocus() == native(window);
}

bool hasIcon(HWND window) {
    ::HWND w = native(window);
    return w != nullptr && (SendMessageW(w, WM_GETICON, ICON_BIG, 0) != 0 ||
                            SendMessageW(w, WM_GETICON, ICON_SMALL, 0) != 0);
}

RECT screenRect(HWND window) {
    ::RECT r{};
    if (window == nullptr || GetWindowRect(native(window), &r) == FALSE) {
        return {};
    }
    return RECT{r.left, r.top, r.right, r.bottom};
}

RECT workArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(native(window), MONITOR_DEFAULTTONEAREST), &monitor);
    return RECT{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right,
                monitor.rcWork.bottom};
}

}  // namespace ui::testing
