// Key presses as Qt delivers them: sent to the focus widget of the window that takes them.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "ui/qt/backend.h"
#include "ui/testing.h"

namespace ui::testing {

bool pressKeyInActiveModal(WPARAM virtualKey) {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr) {
        return false;
    }
    QWidget* target = w->focusWidget() != nullptr ? w->focusWidget() : w;
    const int key = virtualKey == VK_ESCAPE ? Qt::Key_Escape : Qt::Key_Return;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    return true;
}

void pressKey(DialogBase& dialog, WPARAM virtualKey, bool control, bool shift) {
    QWidget* w = widgetOf(dialog.hwnd());
    if (w == nullptr) {
        return;
    }
    // Keys go to an open pop-up (a drop-down list), else to the focus widget of the window the
    // dialog is part of.
    QWidget* target = w->window()->focusWidget() != nullptr ? w->window()->focusWidget() : w;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        target = popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
    }
    int key = virtualKey == VK_ESCAPE   ? Qt::Key_Escape
              : virtualKey == VK_RETURN ? Qt::Key_Return
                                        : Qt::Key_Tab;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    if (control) {
        modifiers |= Qt::ControlModifier;
    }
    if (shift) {
        modifiers |= Qt::ShiftModifier;
        if (key == Qt::Key_Tab) {
            key = Qt::Key_Backtab;
        }
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
}

}  // namespace ui::testing
