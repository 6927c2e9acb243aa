// Thin wrappers around one control each, in the manner of the WTL control classes: every
// member sends one request to the control and returns its result unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "ui/win_defs.h"

namespace ui {

// SetWindowLong(GWL_STYLE): replaces a window's style bits (visible, disabled, tab stop,
// border and the class-specific bits the implementation understands).
uint32_t getWindowStyle(HWND window);
uint32_t setWindowStyle(HWND window, uint32_t style);
bool moveWindow(HWND window, int x, int y, int cx, int cy, bool repaint);
bool showWindow(HWND window, int showCommand);
bool getClientRect(HWND window, RECT& rect);

class WindowWrapper {
  public:
    WindowWrapper() = default;
    explicit WindowWrapper(HWND window) : window_(window) {}
    void attach(HWND window) { window_ = window; }
    HWND detach() {
        HWND w = window_;
        window_ = nullptr;
        return w;
    }
    HWND handle() const { return window_; }

    // The window operations of a CWindow, each one call on the wrapped window. Named as members
    // so that a dialog class, whose own members share these names, can reach its controls.
    bool showWindow(int showCommand) const;
    bool moveWindow(int x, int y, int cx, int cy, bool repaint = true) const;
    // EnableWindow: true when the window was disabled before.
    bool enableWindow(bool enable) const;
    bool isWindowEnabled() const;
    bool isWindowVisible() const;
    bool getClientRect(RECT& rect) const;
    bool setWindowText(const char16_t* text) const;
    // GetWindowTextW: at most maxCount - 1 units and a terminator; returns the units copied.
    int getWindowText(char16_t* buffer, int maxCount) const;

  protected:
    HWND window_ = nullptr;
};

class ListView : public WindowWrapper {
  public:
    using WindowWrapper::WindowWrapper;
    // LVM_SETEXTENDEDLISTVIEWSTYLE; mask 0 replaces every extended style. Returns the old styles.
    uint32_t setExtendedListViewStyle(uint32_t exStyle, uint32_t mask = 0);
    uint32_t getExtendedListViewStyle() const;
    // LVM_GETSTRINGWIDTHW: the width of text in pixels in the list's font.
    int getStringWidth(const char16_t* text) const;
    // LVM_INSERTCOLUMNW; returns the index, -1 on failure.
    int insertColumn(int column, const char16_t* heading, int format, int width, int subItem);
    // LVM_SETCOLUMNWIDTH; LVSCW_AUTOSIZE_USEHEADER on the last column fills the list's width.
    bool setColumnWidth(int column, int cx);
    int getColumnWidth(int column) const;
    // LVM_INSERTITEMW with text only; returns the index, -1 on failure.
    int insertItem(int item, const char16_t* text);
    int getItemCount() const;
    std::u16string getItemText(int item, int subItem) const;
    std::u16string getColumnText(int column) const;
    // LVM_GETSELECTEDCOUNT.
    int getSelectedCount() const;
};

class ComboBox : public WindowWrapper {
  public:
    using WindowWrapper::WindowWrapper;
    // CB_ADDSTRING: appended, or placed in order for CBS_SORT; returns the index.
    int addString(const char16_t* text);
    // CB_SETCURSEL; -1 clears the selection. Returns the index, or -1 when out of range.
    int setCurSel(int index);
    // CB_GETCURSEL; -1 when nothing is selected.
    int getCurSel() const;
    int getCount() const;
    // CB_GETLBTEXT: the entry's text; empty when there is no such entry.
    std::u16string getLBText(int index) const;
};

class TabCtrl : public WindowWrapper {
  public:
    using WindowWrapper::WindowWrapper;
    // TCM_INSERTITEMW with text only; returns the index, -1 on failure.
    int insertItem(int item, const char16_t* text);
    // TCM_SETCURSEL; returns the previous selection or -1.
    int setCurSel(int index);
    // TCM_GETCURSEL; -1 when nothing is selected.
    int getCurSel() const;
    int getItemCount() const;
    // TCM_GETITEMW with text only; empty when there is no such item.
    std::u16string getItemText(int item) const;
    // TCM_ADJUSTRECT(FALSE): the display area of a window rectangle, below the tab headers.
    bool adjustRect(RECT& rect) const;
};

// The height of the tab controls' header strip in pixels, whatever the font: pages moved 20
// pixels down from the top of the client rectangle never cover the headers.
inline constexpr int kTabHeaderHeight = 20;

}  // namespace ui
