// The UI thread's message loop with its filters and idle handlers, and the application module
// that knows it (the WTL CMessageLoop / CAppModule pair).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/win_defs.h"

namespace ui {

class MessageFilter {
  public:
    virtual ~MessageFilter() = default;
    // True when the message was consumed and must not be dispatched.
    virtual bool preTranslateMessage(MSG& msg) = 0;
};

class IdleHandler {
  public:
    virtual ~IdleHandler() = default;
    virtual bool onIdle() = 0;
};

class MessageLoop {
  public:
    MessageLoop();
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    bool addMessageFilter(MessageFilter* filter);
    bool removeMessageFilter(MessageFilter* filter);
    bool addIdleHandler(IdleHandler* handler);
    bool removeIdleHandler(IdleHandler* handler);

    // Runs until postQuitMessage; returns its exit code. Input messages go to the filters, the
    // most recently added first; whenever the queue runs empty the idle handlers run in order.
    int run();

    // The loop's hooks, for the implementation.
    bool preTranslate(MSG& msg);
    void idle();

  private:
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
};

// Ends the running message loop with exitCode once the current message has been handled.
void postQuitMessage(int exitCode);

class AppModule {
  public:
    bool init();
    void term();
    bool addMessageLoop(MessageLoop* loop);
    bool removeMessageLoop();
    MessageLoop* getMessageLoop() const { return loop_; }

  private:
    MessageLoop* loop_ = nullptr;
};

AppModule& appModule();

// The process-wide GUI state (the Qt application); one per process, created first.
class Application {
  public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Registers the list view and tab control classes (InitCommonControlsEx).
void initCommonControls();
// Registers the "RichEdit20W" class (LoadLibrary("RICHED20.DLL")).
void loadRichEditLibrary();

// The language gettext chose for the catalogs ("zh_CN", "en"): dialogs created from now on use
// its font, and Qt's own texts (message box buttons, the file dialog) follow it.
void setUserLanguage(const std::string& language);

// SIGTERM and SIGINT become a call of handler on the UI thread (a clean close). The signals are
// caught from this call on; one that arrives before a handler is set waits for it.
void catchTerminationSignals();
void setTerminationHandler(void (*handler)(void*), void* context);

}  // namespace ui
