// What every backend's message loop shares: the registered filters and idle handlers, which loop
// runs now, and the application module that knows the loop. Each backend supplies run() and its
// own set-up.
#include "ui/message_loop.h"

#include <algorithm>
#include <vector>

#include "ui/backend_shared.h"

namespace ui {

namespace {

MessageLoop* gRunningLoop = nullptr;

}  // namespace

MessageLoop::MessageLoop() = default;
MessageLoop::~MessageLoop() {
    if (gRunningLoop == this) {
        gRunningLoop = nullptr;
    }
}

MessageLoop* runningMessageLoop() {
    return gRunningLoop;
}

RunningLoop::RunningLoop(MessageLoop* loop) : outer_(gRunningLoop) {
    gRunningLoop = loop;
}

RunningLoop::~RunningLoop() {
    gRunningLoop = outer_;
}

bool MessageLoop::addMessageFilter(MessageFilter* filter) {
    filters_.push_back(filter);
    return true;
}

bool MessageLoop::removeMessageFilter(MessageFilter* filter) {
    const auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) {
        return false;
    }
    filters_.erase(it);
    return true;
}

bool MessageLoop::addIdleHandler(IdleHandler* handler) {
    idleHandlers_.push_back(handler);
    return true;
}

bool MessageLoop::removeIdleHandler(IdleHandler* handler) {
    const auto it = std::find(idleHandlers_.begin(), idleHandlers_.end(), handler);
    if (it == idleHandlers_.end()) {
        return false;
    }
    idleHandlers_.erase(it);
    return true;
}

bool MessageLoop::preTranslate(MSG& msg) {
    // Most recently added first; a filter may remove itself while it runs.
    const std::vector<MessageFilter*> filters(filters_.rbegin(), filters_.rend());
    for (MessageFilter* filter : filters) {
        if (std::find(filters_.begin(), filters_.end(), filter) != filters_.end() &&
            filter->preTranslateMessage(msg)) {
            return true;
        }
    }
    return false;
}

void MessageLoop::idle() {
    const std::vector<IdleHandler*> handlers(idleHandlers_);
    for (IdleHandler* handler : handlers) {
        handler->onIdle();
    }
}

bool AppModule::init() {
    return true;
}

void AppModule::term() {
    loop_ = nullptr;
}

bool AppModule::addMessageLoop(MessageLoop* loop) {
    if (loop_ != nullptr) {
        return false;
    }
    loop_ = loop;
    return true;
}

bool AppModule::removeMessageLoop() {
    const bool had = loop_ != nullptr;
    loop_ = nullptr;
    return had;
}

AppModule& appModule() {
    static AppModule module;
    return module;
}

}  // namespace ui
