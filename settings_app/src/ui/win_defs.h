// Window-message numbers, styles and small types of the dialog layer. The numbers are those of the
// Win32 dialog manager, so templates and message maps read exactly like their Windows originals.
#pragma once

#include <cstdint>

namespace ui {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = uint32_t;

// A window of the dialog layer: a dialog or one of its controls. Owned by the layer; valid until
// the window is destroyed.
struct WindowObject;
using HWND = WindowObject*;

// Messages.
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_CTLCOLORDLG = 0x0136;

// Command ids and notification codes.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int BN_CLICKED = 0;
inline constexpr int TCN_SELCHANGE = -551;
inline constexpr int TCN_SELCHANGING = -552;
inline constexpr int NM_CLICK = -2;
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int EN_CHANGE = 0x0300;

// Virtual keys the dialog manager acts on.
inline constexpr WPARAM VK_TAB = 0x09;
inline constexpr WPARAM VK_RETURN = 0x0D;
inline constexpr WPARAM VK_ESCAPE = 0x1B;
inline constexpr WPARAM VK_CONTROL = 0x11;
inline constexpr WPARAM VK_SHIFT = 0x10;

// Window styles.
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t DS_FIXEDSYS = 0x0008;
inline constexpr uint32_t DS_SETFONT = 0x0040;
inline constexpr uint32_t DS_MODALFRAME = 0x0080;
inline constexpr uint32_t DS_CONTROL = 0x0400;

inline constexpr uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr uint32_t BS_AUTOCHECKBOX = 0x3;
inline constexpr uint32_t BS_GROUPBOX = 0x7;
inline constexpr uint32_t BS_TYPEMASK = 0xF;
inline constexpr uint32_t SS_LEFT = 0x0;
inline constexpr uint32_t SS_CENTER = 0x1;
inline constexpr uint32_t SS_RIGHT = 0x2;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x80;
inline constexpr uint32_t ES_MULTILINE = 0x4;
inline constexpr uint32_t ES_WANTRETURN = 0x1000;
inline constexpr uint32_t ES_READONLY = 0x0800;
inline constexpr uint32_t CBS_DROPDOWNLIST = 0x3;
inline constexpr uint32_t CBS_SORT = 0x100;
inline constexpr uint32_t LVS_REPORT = 0x1;
inline constexpr uint32_t LVS_SINGLESEL = 0x4;
inline constexpr uint32_t LVS_ALIGNLEFT = 0x800;
inline constexpr uint32_t LVS_EX_TRACKSELECT = 0x8;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x20;
inline constexpr uint32_t LVS_EX_FLATSB = 0x100;
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;

// Show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_SHOWDEFAULT = 10;

// Message box types: only OK exists here.
inline constexpr UINT MB_OK = 0;

// WM_SETICON sizes.
inline constexpr WPARAM ICON_SMALL = 0;
inline constexpr WPARAM ICON_BIG = 1;

constexpr int loWord(WPARAM w) {
    return static_cast<int>(w & 0xFFFFU);
}
constexpr int hiWord(WPARAM w) {
    return static_cast<int>(static_cast<int16_t>((w >> 16) & 0xFFFFU));
}
constexpr WPARAM makeWParam(int lo, int hi) {
    return (static_cast<WPARAM>(static_cast<uint16_t>(lo))) |
           (static_cast<WPARAM>(static_cast<uint16_t>(hi)) << 16);
}
constexpr COLORREF rgb(int r, int g, int b) {
    return static_cast<COLORREF>(r & 0xFF) | (static_cast<COLORREF>(g & 0xFF) << 8) |
           (static_cast<COLORREF>(b & 0xFF) << 16);
}

// The header of every WM_NOTIFY.
struct NMHDR {
    HWND hwndFrom = nullptr;
    uintptr_t idFrom = 0;
    int code = 0;
};

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// GetOpenFileNameW flags the program uses.
inline constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;

// One queued input message as the message loop sees it before dispatching.
struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    // Modifier keys held with a WM_KEYDOWN or WM_SYSKEYDOWN (GetKeyState at the time of the
    // message); false with any other message.
    bool control = false;
    bool shift = false;
};

}  // namespace ui
