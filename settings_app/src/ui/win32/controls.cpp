// The control wrappers as the messages they name: one SendMessageW each.
#include "ui/controls.h"

#include <array>

#include "ui/backend_shared.h"
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

// Items and headings are read back through a buffer of this many units.
constexpr int kItemTextUnits = 260;

LRESULT send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return window != nullptr ? SendMessageW(native(window), message, wParam, lParam) : 0;
}

wchar_t* mutableText(const char16_t* text) {
    // The item structures take a non-const pointer for text they only read.
    return const_cast<wchar_t*>(text != nullptr ? wide(text) : L"");
}

}  // namespace

uint32_t getWindowStyle(HWND window) {
    return window != nullptr ? static_cast<uint32_t>(GetWindowLongW(native(window), GWL_STYLE)) : 0;
}

uint32_t setWindowStyle(HWND window, uint32_t style) {
    if (window == nullptr) {
        return 0;
    }
    const auto old =
        static_cast<uint32_t>(SetWindowLongW(native(window), GWL_STYLE, static_cast<LONG>(style)));
    // The frame follows the new border bits; visibility is the style's own.
    SetWindowPos(native(window), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return old;
}

bool moveWindow(HWND window, int x, int y, int cx, int cy, bool repaint) {
    return window != nullptr &&
           MoveWindow(native(window), x, y, cx, cy, repaint ? TRUE : FALSE) != FALSE;
}

bool getClientRect(HWND window, ui::RECT& rect) {
    ::RECT r{};
    if (window == nullptr || GetClientRect(native(window), &r) == FALSE) {
        return false;
    }
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool WindowWrapper::setWindowText(const char16_t* text) const {
    return window_ != nullptr &&
           SetWindowTextW(native(window_), text != nullptr ? wide(text) : L"");
}

int WindowWrapper::getWindowText(char16_t* buffer, int maxCount) const {
    return copyText(win32::windowText(native(window_)), buffer, maxCount);
}

uint32_t ListView::setExtendedListViewStyle(uint32_t exStyle, uint32_t mask) {
    return static_cast<uint32_t>(send(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, exStyle));
}

uint32_t ListView::getExtendedListViewStyle() const {
    return static_cast<uint32_t>(send(window_, LVM_GETEXTENDEDLISTVIEWSTYLE));
}

int ListView::getStringWidth(const char16_t* text) const {
    return static_cast<int>(
        send(window_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(mutableText(text))));
}

int ListView::insertColumn(int column, const char16_t* heading, int format, int width,
                           int subItem) {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    c.fmt = format;
    c.cx = width;
    c.pszText = mutableText(heading);
    c.iSubItem = subItem;
    return static_cast<int>(send(window_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                 reinterpret_cast<LPARAM>(&c)));
}

bool ListView::setColumnWidth(int column, int cx) {
    return send(window_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(cx, 0)) != 0;
}

int ListView::getColumnWidth(int column) const {
    return static_cast<int>(send(window_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

int ListView::insertItem(int item, const char16_t* text) {
    LVITEMW i{};
    i.mask = LVIF_TEXT;
    i.iItem = item;
    i.pszText = mutableText(text);
    return static_cast<int>(send(window_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&i)));
}

int ListView::getItemCount() const {
    return static_cast<int>(send(window_, LVM_GETITEMCOUNT));
}

std::u16string ListView::getItemText(int item, int subItem) const {
    std::array<wchar_t, kItemTextUnits> buffer{};
    LVITEMW i{};
    i.iSubItem = subItem;
    i.pszText = buffer.data();
    i.cchTextMax = kItemTextUnits;
    const auto n =
        send(window_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&i));
    return n > 0 ? std::u16string(u16(buffer.data(), static_cast<std::size_t>(n)))
                 : std::u16string();
}

std::u16string ListView::getColumnText(int column) const {
    std::array<wchar_t, kItemTextUnits> buffer{};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = buffer.data();
    c.cchTextMax = kItemTextUnits;
    if (send(window_, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c)) ==
        0) {
        return {};
    }
    buffer.back() = L'\0';
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()));
}

int ListView::getSelectedCount() const {
    return static_cast<int>(send(window_, LVM_GETSELECTEDCOUNT));
}

int ComboBox::addString(const char16_t* text) {
    return static_cast<int>(
        send(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mutableText(text))));
}

int ComboBox::setCurSel(int index) {
    // An index beyond the list clears the choice, as CB_SETCURSEL is documented to do (Wine
    // keeps the old one).
    if (index < 0 || index >= getCount()) {
        send(window_, CB_SETCURSEL, static_cast<WPARAM>(-1));
        return -1;
    }
    return static_cast<int>(send(window_, CB_SETCURSEL, static_cast<WPARAM>(index)));
}

int ComboBox::getCurSel() const {
    return static_cast<int>(send(window_, CB_GETCURSEL));
}

int ComboBox::getCount() const {
    return static_cast<int>(send(window_, CB_GETCOUNT));
}

std::u16string ComboBox::getLBText(int index) const {
    const auto length = send(window_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto n = send(window_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text.data()));
    return n > 0 ? std::u16string(u16(text.data(), static_cast<std::size_t>(n))) : std::u16string();
}

int TabCtrl::insertItem(int item, const char16_t* text) {
    TCITEMW t{};
    t.mask = TCIF_TEXT;
    t.pszText = mutableText(text);
    return static_cast<int>(
        send(window_, TCM_INSERTITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&t)));
}

int TabCtrl::setCurSel(int index) {
    return static_cast<int>(send(window_, TCM_SETCURSEL, static_cast<WPARAM>(index)));
}

int TabCtrl::getCurSel() const {
    return static_cast<int>(send(window_, TCM_GETCURSEL));
}

int TabCtrl::getItemCount() const {
    return static_cast<int>(send(window_, TCM_GETITEMCOUNT));
}

std::u16string TabCtrl::getItemText(int item) const {
    std::array<wchar_t, kItemTextUnits> buffer{};
    TCITEMW t{};
    t.mask = TCIF_TEXT;
    t.pszText = buffer.data();
    t.cchTextMax = kItemTextUnits;
    if (send(window_, TCM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&t)) == 0) {
        return {};
    }
    buffer.back() = L'\0';
    // The control may answer with its own copy of the text instead of filling the buffer.
    const wchar_t* text = t.pszText != nullptr ? t.pszText : buffer.data();
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

bool TabCtrl::adjustRect(ui::RECT& rect) const {
    if (window_ == nullptr) {
        return false;
    }
    ::RECT r{rect.left, rect.top, rect.right, rect.bottom};
    SendMessageW(native(window_), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

}  // namespace ui
