// What a user sees of a window on Qt, and what assistive tools read.
#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "ui/qt/backend.h"
#include "ui/qt/seams.h"
#include "ui/testing.h"

namespace ui::testing {

bool busyCursorShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

std::u16string fontFamily(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && !w->font().families().isEmpty() ? toU16(w->font().families().first())
                                                           : std::u16string();
}

std::u16string windowText(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr ? toU16(w->windowTitle()) : std::u16string();
}

std::u16string accessibleName(HWND window) {
    QWidget* w = widgetOf(window);
    QAccessibleInterface* a = w != nullptr ? QAccessible::queryAccessibleInterface(w) : nullptr;
    return a != nullptr ? toU16(a->text(QAccessible::Name)) : std::u16string();
}

std::u16string accessibleLabel(HWND window) {
    QWidget* w = widgetOf(window);
    QAccessibleInterface* a = w != nullptr ? QAccessible::queryAccessibleInterface(w) : nullptr;
    if (a == nullptr) {
        return {};
    }
    const auto labels = a->relations(QAccessible::Label);
    return labels.isEmpty() || labels.constFirst().first == nullptr
               ? std::u16string()
               : toU16(labels.constFirst().first->text(QAccessible::Name));
}

bool isMinimized(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && w->isMinimized();
}

bool hasFocus(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && w->window()->focusWidget() == w;
}

bool hasIcon(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && !w->windowIcon().availableSizes().isEmpty();
}

RECT screenRect(HWND window) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return {};
    }
    const QRect r =
        w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

RECT workArea(HWND window) {
    QWidget* w = widgetOf(window);
    QScreen* screen = w != nullptr ? w->screen() : QGuiApplication::primaryScreen();
    const QRect r = screen != nullptr ? screen->availableGeometry() : QRect();
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace ui::testing
