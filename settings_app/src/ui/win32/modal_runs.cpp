// What the modal runs need of Win32: the way back into the message loop for a close asked for
// while runs were in progress, a message to a window of its own that whichever loop runs
// dispatches.
#include "ui/backend_shared.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui {

using namespace win32;

namespace {

constexpr ::UINT kDeliverLater = WM_APP + 0x54;

void (*gDeliver)() = nullptr;

::LRESULT CALLBACK deliveryProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    if (message == kDeliverLater) {
        if (gDeliver != nullptr) {
            gDeliver();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

::HWND deliveryWindow() {
    static ::HWND window = createMessageOnlyWindow(L"QV410Termination", deliveryProc);
    return window;
}

}  // namespace

void afterLastModalRun() {
    // Windows are destroyed at once on this backend: nothing waits for the runs to unwind.
}

void deliverWhenBackInLoop(void (*deliver)()) {
    gDeliver = deliver;
    if (PostMessageW(deliveryWindow(), kDeliverLater, 0, 0) == FALSE) {
        deliver();
    }
}

}  // namespace ui
