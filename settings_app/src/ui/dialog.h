// The dialog class base: creation from a template, the message map, and the window operations
// the dialogs use. Each backend implements it (ui/qt/, ui/win32/).
#pragma once

#include <climits>
#include <cstddef>
#include <span>
#include <string>

#include "ui/win_defs.h"

namespace ui {

// Matches any control id or any notification code in a message-map entry.
inline constexpr int kAny = INT_MIN;

// A message as a handler receives it, with the command / notify fields decoded.
struct Message {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int id = 0;    // WM_COMMAND: LOWORD(wParam); WM_NOTIFY: the sender's id
    int code = 0;  // WM_COMMAND: HIWORD(wParam); WM_NOTIFY: the notification code
};

template <class T>
struct MessageEntry {
    UINT message = 0;
    int id = kAny;    // WM_COMMAND and WM_NOTIFY only
    int code = kAny;  // WM_COMMAND and WM_NOTIFY only
    LRESULT (T::*handler)(const Message&) = nullptr;
};

bool messageMatches(UINT message, int id, int code, const Message& m);

// Tests the map in order; the first matching entry handles the message.
template <class T>
bool dispatchMessageMap(T& self, std::span<const MessageEntry<T>> map, const Message& m,
                        LRESULT& result) {
    for (const auto& entry : map) {
        if (messageMatches(entry.message, entry.id, entry.code, m)) {
            result = (self.*entry.handler)(m);
            return true;
        }
    }
    return false;
}

class DialogBase {
  public:
    explicit DialogBase(int templateId) : templateId_(templateId) {}
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    int templateId() const { return templateId_; }
    HWND hwnd() const { return hwnd_; }

    // Creates the window from the template, initialises it, shows it, runs it modally with
    // parent disabled, destroys it and returns the EndDialog value. A dialog that ends during
    // WM_INITDIALOG is never shown. -1 when the window cannot be created.
    LRESULT doModal(HWND parent);
    // Creates the window modeless (hidden unless the template says visible) and initialises it.
    // nullptr when it cannot be created.
    HWND create(HWND parent);
    // Destroys the window (WM_DESTROY reaches the message map first).
    bool destroyWindow();
    // Ends a modal run with result; the window is hidden at once and destroyed by doModal.
    bool endDialog(LRESULT result);

    // Sends a message through the message map, then the default dialog processing.
    LRESULT sendMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND getDlgItem(int id) const;
    bool setWindowText(const char16_t* text);
    bool setDlgItemText(int id, const char16_t* text);
    std::u16string getDlgItemText(int id) const;
    // GetDlgItemTextW: at most maxCount - 1 units and a terminator into buffer; returns the
    // number of units copied. A multi-line field gives its line breaks as CR LF.
    int getDlgItemText(int id, char16_t* buffer, int maxCount) const;
    // Centres over parent, or over the work area of the nearest screen when there is none; then
    // keeps a top-level window inside the work area. Size and stacking are unchanged.
    bool centerWindow(HWND parent = nullptr);
    bool showWindow(int showCommand);

  protected:
    // The message map; true when an entry handled the message.
    virtual bool processWindowMessage(const Message& message, LRESULT& result) = 0;

  private:
    friend struct DialogAccess;
    int templateId_;
    HWND hwnd_ = nullptr;
};

// Window helpers that each do one thing.
HWND getActiveWindow();
bool enableWindow(HWND window, bool enable);
bool isWindowEnabled(HWND window);
bool isWindowVisible(HWND window);
int getDlgCtrlId(HWND window);

// MessageBoxW with the OK button and no icon, modal to the owner's top-level window; returns
// IDOK.
int messageBox(HWND owner, const char16_t* text, const char16_t* caption, UINT type = MB_OK);

// Shows the busy cursor for the life of the object (an export that may take a while runs).
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Icon resources and WM_SETICON.
struct IconObject;
using HICON = IconObject*;
// Loads an icon resource at size x size pixels; the icon lives for the rest of the process.
HICON loadIcon(int resourceId, int size);
bool setIcon(HWND window, HICON icon, WPARAM which);
enum class SystemMetric { cxIcon, cyIcon, cxSmIcon, cySmIcon };
int getSystemMetrics(SystemMetric metric);

// Solid brushes for WM_CTLCOLORDLG: a handler returns the brush as its LRESULT.
struct BrushObject;
using HBRUSH = BrushObject*;
HBRUSH createSolidBrush(COLORREF color);
bool deleteBrush(HBRUSH brush);

// The dialog manager's keyboard handling for window (Enter, Escape). True when msg was consumed.
bool isDialogMessage(HWND window, MSG& msg);

}  // namespace ui
