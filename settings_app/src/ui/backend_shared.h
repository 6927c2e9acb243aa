// What the backends of the dialog layer share and the dialogs never see: the friend that sets a
// dialog's window and runs its message map, message decoding, the text copy of the Get*Text
// calls, and the modal runs that a close from outside ends. Each backend's private backend.h
// includes it.
#pragma once

#include <functional>
#include <string_view>

#include "ui/dialog.h"

namespace ui {

class MessageLoop;

struct DialogAccess {
    static void setHwnd(DialogBase& dialog, HWND window) { dialog.hwnd_ = window; }
    static bool process(DialogBase& dialog, const Message& m, LRESULT& result) {
        return dialog.processWindowMessage(m, result);
    }
};

// A message as the platform sends it, decoded for a message map: WM_COMMAND's id and code, and
// WM_NOTIFY's sender and code from the header whose address lParam carries.
Message decode(UINT message, WPARAM wParam, LPARAM lParam);

// Copies text into buffer as GetWindowTextW would (at most maxCount - 1 units and a terminator),
// never ending on the first half of a surrogate pair. Returns the units copied.
int copyText(std::u16string_view text, char16_t* buffer, int maxCount);

// Modal runs in progress (dialogs, message boxes, file dialogs), innermost last. A scope
// registers one with the way to end it, so that a termination request can end them all.
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
bool terminationRequested();
// Ends every modal run, innermost first, then calls terminate once the last has unwound and
// control is back in the event loop (at once when none runs). Until then boxes and modal
// dialogs no longer open.
void requestTermination(void (*terminate)(void*), void* context);

// The message loop whose run() is in progress, the innermost; nullptr when none runs.
MessageLoop* runningMessageLoop();
// Makes loop the running one for the scope's life; the one it ran inside comes back after.
class RunningLoop {
  public:
    explicit RunningLoop(MessageLoop* loop);
    ~RunningLoop();
    RunningLoop(const RunningLoop&) = delete;
    RunningLoop& operator=(const RunningLoop&) = delete;

  private:
    MessageLoop* outer_;
};

// Supplied by each backend. What is left to do once the last modal run has unwound (windows
// whose deletion had to wait), and the way to run deliver once control is back in the event
// loop, after the handlers that ran the modal runs have returned.
void afterLastModalRun();
void deliverWhenBackInLoop(void (*deliver)());

}  // namespace ui
