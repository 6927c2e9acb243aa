// Calls run from the running message loop once it is idle, and the pending messages run
// without waiting.
#include <functional>
#include <utility>
#include <vector>

#include "ui/backend_shared.h"
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

constexpr UINT kRunQueued = WM_APP + 0x51;

std::vector<std::function<void()>>& queued() {
    static std::vector<std::function<void()>> calls;
    return calls;
}

::LRESULT CALLBACK queueProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    if (message == kRunQueued) {
        std::vector<std::function<void()>> calls;
        calls.swap(queued());
        for (auto& f : calls) {
            f();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Runs the queued calls once the running loop has gone idle: posted from its idle phase, so
// that whatever was queued before them, and the idle handlers, come first.
class RunQueuedWhenIdle final : public IdleHandler {
  public:
    bool onIdle() override;
};

RunQueuedWhenIdle& whenIdle() {
    static RunQueuedWhenIdle handler;
    return handler;
}

::HWND queueWindow() {
    static ::HWND window = win32::createMessageOnlyWindow(L"QV410TestQueue", queueProc);
    return window;
}

bool RunQueuedWhenIdle::onIdle() {
    if (!queued().empty()) {
        PostMessageW(queueWindow(), kRunQueued, 0, 0);
    }
    return false;
}

}  // namespace

void processEvents() {
    ::MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that is meant to end.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void postToLoop(std::function<void()> f) {
    queued().push_back(std::move(f));
    if (MessageLoop* loop = runningMessageLoop()) {
        // Once, whichever loop runs now.
        loop->removeIdleHandler(&whenIdle());
        loop->addIdleHandler(&whenIdle());
        return;
    }
    // No loop runs yet: the first one to run takes it.
    PostMessageW(queueWindow(), kRunQueued, 0, 0);
}

}  // namespace ui::testing
