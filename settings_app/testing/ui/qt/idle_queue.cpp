// Calls run from the event loop, and the pending events run without waiting.
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <utility>

#include "ui/testing.h"

namespace ui::testing {

void processEvents() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void postToLoop(std::function<void()> f) {
    QTimer::singleShot(0, qApp, std::move(f));
}

}  // namespace ui::testing
