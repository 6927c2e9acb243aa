// What the modal runs need of Qt: windows whose deletion waits for the last run to unwind, and
// the way back into the event loop for a close asked for while runs were in progress.
#include <QApplication>
#include <QPointer>
#include <vector>

#include "ui/qt/backend.h"

namespace ui {

namespace {

std::vector<QPointer<QWidget>>& pendingDeletes() {
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

}  // namespace

void deleteWhenSafe(QWidget* window) {
    if (modalDepth() > 0) {
        pendingDeletes().emplace_back(window);
    } else {
        window->deleteLater();
    }
}

void afterLastModalRun() {
    for (const QPointer<QWidget>& w : pendingDeletes()) {
        if (w != nullptr) {
            w->deleteLater();
        }
    }
    pendingDeletes().clear();
}

void deliverWhenBackInLoop(void (*deliver)()) {
    QMetaObject::invokeMethod(
        qApp, [deliver] { deliver(); }, Qt::QueuedConnection);
}

}  // namespace ui
