// Seams for driving dialogs from tests and tools: intercepting message boxes and modal runs,
// pressing controls by id, reading what a user would see.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"

namespace ui::testing {

struct MessageBoxCall {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
};

// While set, messageBox() calls hook instead of showing a box, and returns IDOK.
void setMessageBoxHook(std::function<void(const MessageBoxCall&)> hook);

// While set, a modal run calls hook once its dialog is shown, instead of running the modal loop.
// If the dialog has not ended when hook returns, it is closed as by its close box (command 2).
void setModalHook(std::function<void(DialogBase& dialog)> hook);

struct OpenFileCall {
    HWND owner = nullptr;
    std::vector<FileFilter> filters;
    uint32_t flags = 0;
};
// While set, the open-file dialog calls hook instead of showing itself: the path it returns is
// the user's choice, nothing is a cancel.
void setOpenFileHook(std::function<std::optional<std::u16string>(const OpenFileCall&)> hook);

// A window that a modal run has just shown for real (a dialog, a message box, a file dialog).
struct ShownModal {
    std::u16string caption;
    std::u16string text;  // a message box's text
    HWND owner = nullptr;
    int templateId = 0;  // a dialog's template, 0 for other windows
};
// While set, observer is called from the running modal loop each time a modal window has been
// shown; it acts as a user would (saveActiveModal, pressKeyInActiveModal, ...).
void setModalObserver(std::function<void(const ShownModal&)> observer);
// The modal window the user sees on top: saved as a picture, or given a key.
bool saveActiveModal(const std::string& path);
bool pressKeyInActiveModal(WPARAM virtualKey);
// True while the busy cursor is shown.
bool busyCursorShown();

// Makes a template known to findDialogTemplate (ahead of the program's) for this process.
void addDialogTemplate(const DialogTemplate& dialogTemplate);

// The dialog object whose window was created from templateId and still exists; nullptr if none.
DialogBase* findDialog(int templateId);

// Templates of the dialogs shown so far (modal or modeless), in order.
const std::vector<int>& shownDialogs();
void clearShownDialogs();

// Clicks a control as the user would: nothing happens when it is disabled or hidden. False then.
bool click(DialogBase& dialog, int id);
// Selects a tab of a tab control as a user's click does (TCN_SELCHANGE follows).
bool clickTab(DialogBase& dialog, int tabControlId, int index);
// Types text into an edit field, replacing its content, as a user would; false for a disabled or
// read-only field.
bool typeText(DialogBase& dialog, int id, const std::u16string& text);
// Picks an entry of a drop-down list as a user would (CBN_SELCHANGE follows).
bool chooseListEntry(DialogBase& dialog, int id, int index);
// Presses a key in the dialog (Enter, Escape, Tab) with the focus where it is, with Ctrl and
// Shift held when asked.
void pressKey(DialogBase& dialog, WPARAM virtualKey, bool control = false, bool shift = false);
// Opens a drop-down list as a click on its arrow does; keys then go to the open list.
bool openDropDown(DialogBase& dialog, int id);
bool dropDownOpen(DialogBase& dialog, int id);
// The first family of the font a window draws its texts in.
std::u16string fontFamily(HWND window);
// Gives the keyboard focus to a control, as a click into it would.
bool focusControl(DialogBase& dialog, int id);
// The close box.
void closeBox(DialogBase& dialog);
// Runs pending events (queued calls, deferred deletions) without waiting.
void processEvents();
// Calls f from the running message loop once it is idle.
void postToLoop(std::function<void()> f);

// What a user sees.
std::u16string windowText(HWND window);
// What assistive tools read: the control's name, and the text of the label it is labelled by.
std::u16string accessibleName(HWND window);
std::u16string accessibleLabel(HWND window);
bool isMinimized(HWND window);
bool hasFocus(HWND window);
bool hasIcon(HWND window);
// The window's frame-less rectangle on the screen, and the screen's work area.
RECT screenRect(HWND window);
RECT workArea(HWND window);
// The dialog's background colour as painted.
COLORREF backgroundColor(HWND window);

// Renders the dialog as it appears on screen (with a plain title bar carrying the caption) to a
// PNG file. False when it cannot be written.
bool saveScreenshot(HWND window, const std::string& path);

// A caption that does not fit the room its control gives it, in the font the dialog draws it in.
struct TextMisfit {
    int id = 0;  // the control's id
    std::u16string text;
    bool wrapped = false;  // a word-wrapped static text: measured by height, otherwise by width
    int needed = 0;        // pixels the text takes (width, or wrapped height)
    int room = 0;          // pixels the control has for it
    int oneLine = 0;       // the text's width on one line, and the control's width, in pixels
    int width = 0;
};
// Every static text, push button, check box and group box caption of the dialog (not of its
// pages, which are dialogs of their own) measured against the room of its control.
std::vector<TextMisfit> textMisfits(DialogBase& dialog);

}  // namespace ui::testing
