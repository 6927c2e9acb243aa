// The room each caption gets, measured as the Windows controls draw them: in the font the control
// was given (WM_GETFONT), a static text of SS_LEFT, SS_CENTER or SS_RIGHT broken at words in its
// client area, a push button's text inside its 3-D edge, a check box's beside its box, a group
// box's title between the frame's corners.
#include "ui/testing.h"
// The platform's headers after the layer's, whose names its macros would otherwise replace.
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui::testing {

namespace {

using ui::win32::native;

struct DeviceContext {
    explicit DeviceContext(::HWND window) : window(window), dc(GetDC(window)) {
        auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
        if (dc != nullptr && font != nullptr) {
            previous = SelectObject(dc, font);
        }
    }
    ~DeviceContext() {
        if (dc != nullptr) {
            if (previous != nullptr) {
                SelectObject(dc, previous);
            }
            ReleaseDC(window, dc);
        }
    }
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    ::HWND window;
    HDC dc;
    HGDIOBJ previous = nullptr;
};

// The text's extent as DrawText lays it out: one line, or broken at words within width.
::SIZE extent(HDC dc, const std::u16string& text, bool wordBreak, int width, UINT extraFlags) {
    ::RECT r{0, 0, wordBreak ? width : 0, 0};
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | extraFlags;
    flags |= wordBreak ? DT_WORDBREAK : DT_SINGLELINE;
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &r,
              flags);
    return {r.right - r.left, r.bottom - r.top};
}

struct Caption {
    int id;
    const std::u16string& text;
    int oneLine;  // pixels
    int width;    // the control's
};

void check(std::vector<TextMisfit>& misfits, const Caption& caption, bool wrapped, int needed,
           int room) {
    if (needed > room) {
        misfits.push_back(
            {caption.id, caption.text, wrapped, needed, room, caption.oneLine, caption.width});
    }
}

void measure(std::vector<TextMisfit>& misfits, ::HWND control) {
    const std::u16string text = ui::win32::windowText(control);
    if (text.empty()) {
        return;
    }
    const int id = GetDlgCtrlID(control);
    const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    ::RECT client{};
    GetClientRect(control, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    DeviceContext dc(control);
    if (dc.dc == nullptr) {
        return;
    }
    if (ui::win32::hasClass(control, L"Static")) {
        const DWORD type = style & SS_TYPEMASK;
        const UINT prefix = (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
        const Caption caption{id, text, extent(dc.dc, text, false, 0, prefix).cx, width};
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            const ::SIZE size = extent(dc.dc, text, true, width, prefix);
            check(misfits, caption, false, size.cx, width);  // a word longer than a line
            check(misfits, caption, true, size.cy, height);
        } else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
            check(misfits, caption, false, caption.oneLine, width);
        }
        return;
    }
    if (!ui::win32::hasClass(control, L"Button")) {
        return;
    }
    const DWORD type = style & BS_TYPEMASK;
    const ::SIZE size = extent(dc.dc, text, false, 0, 0);
    const Caption caption{id, text, size.cx, width};
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.dc, &metrics);
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        // The 3-D edge on either side, and the focus rectangle drawn just inside it.
        const int room = width - 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
        check(misfits, caption, false, size.cx, room);
    } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
               type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
        // The box, then a gap of half a character before the text.
        const int room = width - GetSystemMetrics(SM_CXMENUCHECK) - metrics.tmAveCharWidth / 2;
        check(misfits, caption, false, size.cx, room);
    } else if (type == BS_GROUPBOX) {
        // The title sits a character in from the frame's left corner; as much is kept at the right.
        check(misfits, caption, false, size.cx, width - 2 * metrics.tmAveCharWidth);
    }
}

}  // namespace

std::vector<TextMisfit> textMisfits(DialogBase& dialog) {
    std::vector<TextMisfit> misfits;
    ::HWND window = native(dialog.hwnd());
    // Direct children only: a page is a dialog of its own, measured by itself.
    for (::HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (ui::win32::dialogOf(child) == nullptr) {
            measure(misfits, child);
        }
    }
    return misfits;
}

}  // namespace ui::testing
