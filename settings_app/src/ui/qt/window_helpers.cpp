// The window helpers that each do one thing, icon resources and brushes, on Qt widgets.
#include <QApplication>
#include <QPixmap>
#include <map>
#include <memory>
#include <utility>

#include "ui/dialog.h"
#include "ui/qt/backend.h"

namespace ui {

bool showWindow(HWND window, int showCommand) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return false;
    }
    const bool wasVisible = w->isVisible();
    switch (showCommand) {
        case SW_HIDE:
            w->hide();
            break;
        case SW_SHOWMINIMIZED:
            w->showMinimized();
            break;
        default:
            if (w->isWindow()) {
                w->showNormal();
            } else {
                w->show();
            }
            break;
    }
    return wasVisible;
}

HWND getActiveWindow() {
    // The window the user works in: the one whose handler runs now when it takes input (the
    // user just pressed one of its buttons, and its activation by the window manager may still
    // be on its way), else the active window.
    WindowObject* object = windowObjectOf(dispatchingWindow());
    if (object == nullptr || object->dialogWindow == nullptr || object->modalBlocks != 0 ||
        !object->dialogWindow->isVisible()) {
        object = windowObjectOf(QApplication::activeWindow());
    }
    return object != nullptr && object->dialogWindow != nullptr ? &object->dialogWindow->self
                                                                : nullptr;
}

bool enableWindow(HWND window, bool enable) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return false;
    }
    const bool wasDisabled = !w->isEnabled();
    w->setEnabled(enable);
    if (enable) {
        window->style &= ~WS_DISABLED;
    } else {
        window->style |= WS_DISABLED;
    }
    return wasDisabled;
}

bool isWindowEnabled(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && w->isEnabled() && window->modalBlocks == 0;
}

bool isWindowVisible(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && w->isVisible();
}

int getDlgCtrlId(HWND window) {
    return window != nullptr ? window->id : 0;
}

HICON loadIcon(int resourceId, int size) {
    // Loaded icons live as long as the process, as shared icon resources do.
    static std::map<std::pair<int, int>, std::unique_ptr<IconObject>> icons;
    auto& slot = icons[{resourceId, size}];
    if (!slot) {
        const char* const* xpm = findIconResource(resourceId);
        if (xpm == nullptr) {
            return nullptr;
        }
        QPixmap source(xpm);
        if (source.isNull()) {
            return nullptr;
        }
        slot = std::make_unique<IconObject>(
            IconObject{source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)});
    }
    return slot.get();
}

bool setIcon(HWND window, HICON icon, WPARAM /*which*/) {
    DialogWindow* dialog = dialogWindowOf(window);
    if (dialog == nullptr || icon == nullptr) {
        return false;
    }
    // Qt keeps one icon with several sizes; each WM_SETICON adds its size.
    dialog->windowIcon.addPixmap(icon->pixmap);
    dialog->setWindowIcon(dialog->windowIcon);
    return true;
}

int getSystemMetrics(SystemMetric metric) {
    switch (metric) {
        case SystemMetric::cxIcon:
        case SystemMetric::cyIcon:
            return 32;
        case SystemMetric::cxSmIcon:
        case SystemMetric::cySmIcon:
            return 16;
    }
    return 0;
}

HBRUSH createSolidBrush(COLORREF color) {
    return new BrushObject{color};
}

bool deleteBrush(HBRUSH brush) {
    delete brush;
    return brush != nullptr;
}

}  // namespace ui
