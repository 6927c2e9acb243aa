// Key presses delivered as the running loop would see them, with Ctrl and Shift held as asked.
#include <array>

#include "ui/dialog.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

// Sends one key press the way the running loop would see it: the modal dialog's own run, or the
// message loop's filters for a modeless one; whatever neither takes is dispatched.
void deliverKey(::HWND target, WPARAM virtualKey, bool control, bool shift) {
    std::array<BYTE, 256> saved{};
    GetKeyboardState(saved.data());
    std::array<BYTE, 256> held = saved;
    held[VK_CONTROL] = control ? 0x80 : 0;
    held[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(held.data());

    ui::MSG msg;
    msg.hwnd = layer(target);
    msg.message = WM_KEYDOWN;
    msg.wParam = virtualKey;
    msg.lParam = 1;
    msg.control = control;
    msg.shift = shift;
    ::HWND top = topLevelOf(target);
    const DialogState* state = dialogState(top);
    bool consumed = false;
    if (state != nullptr && state->modal) {
        consumed = isDialogMessage(layer(top), msg);
    } else if (dialogOf(top) == nullptr && hasClass(top, L"#32770")) {
        // A message box or the file dialog: the dialog manager's own handling.
        ::MSG nativeMsg = toNative(msg);
        consumed = IsDialogMessageW(top, &nativeMsg) != FALSE;
    } else if (MessageLoop* loop = appModule().getMessageLoop()) {
        consumed = loop->preTranslate(msg);
    }
    if (!consumed) {
        ::MSG nativeMsg = toNative(msg);
        TranslateMessage(&nativeMsg);
        DispatchMessageW(&nativeMsg);
    }
    // The characters the key types (a line break in a multi-line field) arrive with the press,
    // before anything else is looked at.
    ::MSG typed{};
    while (PeekMessageW(&typed, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE) != FALSE) {
        if (typed.message == WM_QUIT) {
            // Taken whatever the filter; left for the loop that is meant to end.
            PostQuitMessage(static_cast<int>(typed.wParam));
            break;
        }
        DispatchMessageW(&typed);
    }
    SetKeyboardState(saved.data());
}

::HWND focusWithin(::HWND top) {
    ::HWND focus = GetFocus();
    return focus != nullptr && (focus == top || IsChild(top, focus) != FALSE) ? focus : top;
}

}  // namespace

bool pressKeyInActiveModal(WPARAM virtualKey) {
    ::HWND active = GetActiveWindow();
    if (active == nullptr || GetWindow(active, GW_OWNER) == nullptr) {
        return false;
    }
    // Queued, as a key press is: the modal window's own loop takes it.
    PostMessageW(focusWithin(active), WM_KEYDOWN, virtualKey, 1);
    return true;
}

void pressKey(DialogBase& dialog, WPARAM virtualKey, bool control, bool shift) {
    ::HWND window = native(dialog.hwnd());
    if (window == nullptr) {
        return;
    }
    deliverKey(focusWithin(topLevelOf(window)), virtualKey, control, shift);
}

}  // namespace ui::testing
