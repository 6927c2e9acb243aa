// The dialog manager's keyboard handling: key presses become WM_KEYDOWN for the dialog that has
// the focus, and isDialogMessage gives Enter, Escape and Ctrl+Tab their meaning in a dialog.
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

#include "ui/controls.h"
#include "ui/qt/backend.h"

namespace ui {

namespace {

WPARAM virtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        default:
            return 0;
    }
}

}  // namespace

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    // Only the widget the key was sent to (its window's focus widget, or the window when
    // nothing in it has the focus), not every parent it propagates through.
    if (widget == nullptr) {
        return false;
    }
    QWidget* focus = widget->window()->focusWidget();
    if (focus != nullptr ? widget != focus : !widget->isWindow()) {
        return false;
    }
    WindowObject* target = windowObjectWithinWindow(widget);
    if (target == nullptr || target->dialogWindow == nullptr) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    MSG msg{target, WM_KEYDOWN, virtualKey(key->key()), 0};
    if (msg.wParam == 0) {
        return false;
    }
    msg.control = (key->modifiers() & Qt::ControlModifier) != 0;
    msg.shift = (key->modifiers() & Qt::ShiftModifier) != 0 || key->key() == Qt::Key_Backtab;
    DialogWindow* dialog = target->dialogWindow;
    while (dialog->childDialog && dialog->parentWidget() != nullptr) {
        WindowObject* outer = windowObjectOf(dialog->parentWidget());
        if (outer == nullptr || outer->dialogWindow == nullptr) {
            break;
        }
        dialog = outer->dialogWindow;
    }
    if (dialog->modal) {
        return isDialogMessage(&dialog->self, msg);
    }
    MessageLoop* loop = runningMessageLoop();
    return loop != nullptr && loop->preTranslate(msg);
}

namespace {

// True when control belongs to dialog itself or to one of the pages it hosts.
bool belongsTo(const WindowObject* control, const DialogWindow* dialog) {
    for (DialogWindow* d = control != nullptr ? control->dialogWindow : nullptr; d != nullptr;) {
        if (d == dialog) {
            return true;
        }
        if (!d->childDialog) {
            return false;
        }
        WindowObject* host = windowObjectOf(d->parentWidget());
        d = host != nullptr ? host->dialogWindow : nullptr;
    }
    return false;
}

WindowObject* firstTabControl(const DialogWindow& dialog) {
    for (const auto& c : dialog.controls) {
        if (c->cls == ControlClass::tabControl && c->widget != nullptr) {
            return c.get();
        }
    }
    return nullptr;
}

}  // namespace

bool isDialogMessage(HWND window, MSG& msg) {
    DialogWindow* dialog = dialogWindowOf(window);
    if (dialog == nullptr || msg.message != WM_KEYDOWN || !belongsTo(msg.hwnd, dialog)) {
        return false;
    }
    WindowObject* focused = msg.hwnd;
    if (msg.wParam == VK_TAB && msg.control) {
        // Ctrl+Tab and Ctrl+Shift+Tab page through a tabbed dialog as a click on a tab would.
        WindowObject* tabs = firstTabControl(*dialog);
        if (tabs == nullptr) {
            return false;
        }
        TabCtrl control(tabs);
        const int count = control.getItemCount();
        if (count > 1) {
            const int current = std::max(0, control.getCurSel());
            const int next = (current + (msg.shift ? count - 1 : 1)) % count;
            if (dialog->sendNotify(tabs, TCN_SELCHANGING) == 0) {
                control.setCurSel(next);
                dialog->sendNotify(tabs, TCN_SELCHANGE);
            }
        }
        return true;
    }
    if (msg.wParam == VK_ESCAPE) {
        // Escape is the top-level dialog's Cancel, from whichever page the focus is on.
        dialog->sendCommand(IDCANCEL, BN_CLICKED, dialog->control(IDCANCEL));
        return true;
    }
    if (msg.wParam != VK_RETURN) {
        return false;
    }
    if (focused->cls == ControlClass::edit || focused->cls == ControlClass::richEdit) {
        if ((focused->style & ES_WANTRETURN) != 0) {
            return false;
        }
    }
    // A focused push button is the default for the moment; else the default push button;
    // else command 1, but never from inside a page: Enter in a page's field does not close the
    // dialog behind the operator's back.
    if (focused->cls == ControlClass::button &&
        (focused->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
        if (focused->widget != nullptr && focused->widget->isEnabled()) {
            focused->dialogWindow->sendCommand(focused->id, BN_CLICKED, focused);
        }
        return true;
    }
    for (const auto& c : dialog->controls) {
        if (c->isDefaultButton) {
            if (c->widget != nullptr && c->widget->isEnabled()) {
                dialog->sendCommand(c->id, BN_CLICKED, c.get());
            }
            return true;
        }
    }
    if (focused->dialogWindow == dialog) {
        dialog->sendCommand(IDOK, BN_CLICKED, nullptr);
    }
    return true;
}

}  // namespace ui
