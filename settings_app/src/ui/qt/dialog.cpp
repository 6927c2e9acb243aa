// DialogBase on Qt widgets: creation, modal runs, the message map, texts and centring.
#include "ui/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "ui/controls.h"
#include "ui/presenter.h"
#include "ui/qt/backend.h"

namespace ui {

namespace {

QString toQString(const char16_t* text) {
    return text != nullptr ? QString::fromUtf16(text) : QString();
}

std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

}  // namespace

namespace {

// Takes the window away from its dialog object and deletes it once control is back in the
// event loop (a dialog may destroy itself from one of its own buttons' handlers).
void releaseWindow(DialogBase& dialog, DialogWindow* window, bool deferred) {
    window->dialog = nullptr;
    DialogAccess::setHwnd(dialog, nullptr);
    window->hide();
    if (deferred) {
        deleteWhenSafe(window);
    } else {
        delete window;
    }
}

// The owner takes no input for the length of a modal run, as the dialog manager disables it;
// Qt's window modality does the blocking, so the modal window itself stays enabled.
void blockOwner(QWidget* owner, int delta) {
    if (WindowObject* object = windowObjectOf(owner)) {
        object->modalBlocks = std::max(0, object->modalBlocks + delta);
    }
}

}  // namespace

DialogWindow::~DialogWindow() {
    // Destroyed with its parent (a page inside a tabbed dialog): the object hears WM_DESTROY.
    if (dialog != nullptr) {
        DialogBase* owner = dialog;
        owner->sendMessage(WM_DESTROY, 0, 0);
        dialog = nullptr;
        DialogAccess::setHwnd(*owner, nullptr);
    }
}

DialogBase::~DialogBase() {
    // The derived dialog is gone by now, so its message map hears nothing more; the window
    // is simply freed.
    if (hwnd_ != nullptr) {
        releaseWindow(*this, hwnd_->dialogWindow, false);
    }
}

LRESULT DialogBase::sendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const Message m = decode(message, wParam, lParam);
    LRESULT result = 0;
    QWidget* window = widgetOf(hwnd_);
    pushDispatching(window != nullptr ? window->window() : nullptr);
    const bool handled = processWindowMessage(m, result);
    popDispatching();
    if (handled) {
        return result;
    }
    // Default dialog processing: the dialog manager sets the focus after WM_INITDIALOG.
    return message == WM_INITDIALOG ? 1 : 0;
}

HWND DialogBase::create(HWND parent) {
    if (hwnd_ != nullptr) {
        return nullptr;
    }
    DialogWindow* window = createDialogWindow(*this, parent, false);
    if (window == nullptr) {
        return nullptr;
    }
    hwnd_ = &window->self;
    if ((window->tmpl.style & WS_VISIBLE) == 0) {
        // Hidden until shown, even when its parent is shown later.
        window->hide();
    }
    initialiseDialog(*window);
    if (hwnd_ != nullptr && (window->tmpl.style & WS_VISIBLE) != 0) {
        window->show();
    }
    return hwnd_;
}

LRESULT DialogBase::doModal(HWND parent) {
    if (hwnd_ != nullptr) {
        return -1;
    }
    if (terminationRequested()) {
        return IDCANCEL;
    }
    DialogWindow* created = createDialogWindow(*this, parent, true);
    if (created == nullptr) {
        return -1;
    }
    const QPointer<DialogWindow> window(created);
    hwnd_ = &window->self;
    initialiseDialog(*window);
    if (window != nullptr && !window->ended) {
        const QPointer<QWidget> owner(window->parentWidget());
        blockOwner(owner, +1);
        window->setWindowModality(Qt::ApplicationModal);
        window->show();
        presenter().runModal(*this);
        if (window != nullptr && !window->ended) {
            endDialog(IDCANCEL);
        }
        // The owner takes input again before the modal window goes away.
        blockOwner(owner, -1);
        if (owner != nullptr) {
            owner->activateWindow();
        }
    }
    const LRESULT result = window != nullptr ? window->result : IDCANCEL;
    if (window != nullptr && hwnd_ != nullptr) {
        sendMessage(WM_DESTROY, 0, 0);
        releaseWindow(*this, window, false);
    }
    return result;
}

bool DialogBase::destroyWindow() {
    if (hwnd_ == nullptr) {
        return false;
    }
    DialogWindow* window = hwnd_->dialogWindow;
    sendMessage(WM_DESTROY, 0, 0);
    releaseWindow(*this, window, true);
    return true;
}

bool DialogBase::endDialog(LRESULT result) {
    DialogWindow* window = dialogWindowOf(hwnd_);
    if (window == nullptr || window->ended) {
        return false;
    }
    window->ended = true;
    window->result = result;
    window->hide();
    if (window->modalLoop != nullptr) {
        window->modalLoop->exit(0);
    }
    return true;
}

HWND DialogBase::getDlgItem(int id) const {
    DialogWindow* window = dialogWindowOf(hwnd_);
    return window != nullptr ? window->control(id) : nullptr;
}

bool DialogBase::setWindowText(const char16_t* text) {
    QWidget* w = widgetOf(hwnd_);
    if (w == nullptr) {
        return false;
    }
    w->setWindowTitle(toQString(text));
    return true;
}

namespace {

bool setControlText(QWidget* w, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        // A multi-line field keeps its lines apart with CR LF, as an edit control does.
        QString lines = text;
        lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        p->setPlainText(lines);
    } else {
        return false;
    }
    return true;
}

QString controlText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        return g->title();
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        return e->text();
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        // A drop-down list's text is its chosen entry, empty without a choice.
        return c->currentIndex() >= 0 ? c->currentText() : QString();
    }
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        QString lines = p->toPlainText();
        lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        return lines;
    }
    if (w != nullptr && w->isWindow()) {
        return w->windowTitle();
    }
    return {};
}

}  // namespace

bool DialogBase::setDlgItemText(int id, const char16_t* text) {
    HWND item = getDlgItem(id);
    if (item == nullptr || item->widget == nullptr) {
        return false;
    }
    const bool ok = setControlText(item->widget, toQString(text));
    item->dialogWindow->refreshAccessibleNames();
    return ok;
}

std::u16string DialogBase::getDlgItemText(int id) const {
    HWND item = getDlgItem(id);
    return item != nullptr ? toU16(controlText(item->widget)) : std::u16string();
}

bool DialogBase::centerWindow(HWND parent) {
    DialogWindow* window = dialogWindowOf(hwnd_);
    if (window == nullptr) {
        return false;
    }
    QWidget* over = widgetOf(parent);
    if (over == nullptr && !window->childDialog) {
        over = window->parentWidget();
    }
    window->centreOver = over;
    window->centreAgainWhenFramed = !window->childDialog;
    window->centre();
    return true;
}

}  // namespace ui
