// What the Win32 files of the dialog layer share. Included after the layer's headers and after
// <windows.h>, in the backend's own .cpp files only: the layer's names and the platform's macros
// must never meet in a header the dialogs see.
#pragma once

#include <string>
#include <string_view>

#include "ui/backend_shared.h"

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
// The platform's message for the layer's filters (with the modifier keys held at its time).
ui::MSG toLayer(const ::MSG& msg);
::MSG toNative(const ui::MSG& msg);

// Handlers that run now, innermost last: the top-level window whose handler runs is where the
// user works (a dialog opened from it is owned by it).
void pushDispatching(::HWND topLevel);
void popDispatching();
::HWND dispatchingWindow();

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
// Lets go of a dialog's window without telling its dialog object (which is being destroyed).
void forgetDialog(::HWND window);
// Creates a dialog's window from its template, the dialog procedure tied to the object.
::HWND createFromTemplate(ui::DialogBase& dialog, ::HWND parent);

// The dialog object of a window created by the layer; nullptr for other windows.
ui::DialogBase* dialogOf(::HWND window);
// The top-level dialog a window belongs to (itself, or the dialog hosting its page).
::HWND topLevelOf(::HWND window);
// True for a window of the given class ("Button", "Edit", "RichEdit20W", ...).
bool hasClass(::HWND window, const wchar_t* className);

// The window a message box or file dialog over root was asked to be owned by (a page, say): the
// platform makes the top-level window its owner. root itself when none is open over it.
::HWND askedOwner(::HWND root);

// True while a BusyCursor exists.
bool busyCursorShown();

// Dialog templates added by tests: an in-memory DLGTEMPLATEEX for the id, created from data instead
// of the module's resources; nullptr for the program's own templates.
using TestTemplateBuilder = const void* (*)(int templateId);
void setTestTemplateBuilder(TestTemplateBuilder builder);

}  // namespace ui::win32
