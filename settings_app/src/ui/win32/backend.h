// What the Win32 files of the dialog layer share. Included after the layer's headers and after
// <windows.h>, in the backend's own .cpp files only: the layer's names and the platform's macros
// must never meet in a header the dialogs see.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ui {
class MessageLoop;
}  // namespace ui

namespace ui::win32 {

// The layer's handles are the platform's, seen through an opaque type.
inline ::HWND native(ui::HWND window) {
    return reinterpret_cast<::HWND>(window);
}
inline ui::HWND layer(::HWND window) {
    return reinterpret_cast<ui::HWND>(window);
}
inline const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline std::u16string_view u16(const wchar_t* text, std::size_t length) {
    return {reinterpret_cast<const char16_t*>(text), length};
}

// The module whose resources hold the dialog templates and the icon: the program itself.
HINSTANCE resourceModule();

// A message-only window of a class of its own, registered on first use: a message posted to it
// is dispatched by whichever loop runs, a modal one included (a thread message would be lost).
::HWND createMessageOnlyWindow(const wchar_t* className, ::WNDPROC procedure);

// The window text of any window, whole.
std::u16string windowText(::HWND window);
// Copies text into buffer as GetWindowTextW would (at most maxCount - 1 units and a terminator),
// never ending on the first half of a surrogate pair. Returns the units copied.
int copyText(std::u16string_view text, char16_t* buffer, int maxCount);

// The layer's message as the platform sends it, decoded for a message map.
ui::Message decode(UINT message, WPARAM wParam, LPARAM lParam);
// The platform's message for the layer's filters (with the modifier keys held at its time).
ui::MSG toLayer(const ::MSG& msg);
::MSG toNative(const ui::MSG& msg);

// Handlers that run now, innermost last: the top-level window whose handler runs is where the
// user works (a dialog opened from it is owned by it).
void pushDispatching(::HWND topLevel);
void popDispatching();
::HWND dispatchingWindow();

// Modal runs in progress (dialogs, message boxes, file dialogs), each with the way to end it
// early when the program is asked to close.
class ModalScope {
  public:
    explicit ModalScope(std::function<void()> end);
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
    void endRun();

  private:
    std::function<void()> end_;
};
int modalDepth();
// A close asked for while modal runs are in progress: they end first, innermost first, and the
// last one to unwind calls terminate. Until then no new modal run starts.
void requestTermination(void (*terminate)(void*), void* context);
bool terminationRequested();
// The handler that closes the main dialog (setTerminationHandler).
void (*terminationHandler())(void*);
void* terminationContext();

// A modal dialog's state while its window exists.
struct DialogState {
    bool modal = false;
    bool ended = false;
    LRESULT result = 0;
    ::HWND owner = nullptr;        // disabled for the run
    bool ownerWasEnabled = false;  // re-enabled when the run ends
    // The template's first default push button: Enter's button when the focus is on no other.
    int defaultButton = 0;
};
DialogState* dialogState(::HWND window);

// The dialog object of a window created by the layer; nullptr for other windows.
ui::DialogBase* dialogOf(::HWND window);
// The top-level dialog a window belongs to (itself, or the dialog hosting its page).
::HWND topLevelOf(::HWND window);
// True for a window of the given class ("Button", "Edit", "RichEdit20W", ...).
bool hasClass(::HWND window, const wchar_t* className);

// The window a message box or file dialog over root was asked to be owned by (a page, say): the
// platform makes the top-level window its owner. root itself when none is open over it.
::HWND askedOwner(::HWND root);

// The message loop whose run() is in progress, the innermost; nullptr when none runs.
ui::MessageLoop* runningMessageLoop();

// True while a BusyCursor exists.
bool busyCursorShown();

// Dialog templates added by tests: an in-memory DLGTEMPLATEEX for the id, created from data instead
// of the module's resources; nullptr for the program's own templates.
using TestTemplateBuilder = const void* (*)(int templateId);
void setTestTemplateBuilder(TestTemplateBuilder builder);

}  // namespace ui::win32
