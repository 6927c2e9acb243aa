// DialogBase and the window helpers on Qt widgets.
#include "ui/dialog.h"

#include <QAbstractButton>
#include <QApplication>
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
#include "ui/qt/window_object.h"

namespace ui {

namespace {

QString toQString(const char16_t* text) {
    return text != nullptr ? QString::fromUtf16(text) : QString();
}

std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

DialogWindow* dialogWindowOf(HWND window) {
    return window != nullptr ? window->dialogWindow : nullptr;
}

}  // namespace

struct DialogAccess {
    static void setHwnd(DialogBase& dialog, HWND window) { dialog.hwnd_ = window; }
    static bool process(DialogBase& dialog, const Message& m, LRESULT& result) {
        return dialog.processWindowMessage(m, result);
    }
};

bool messageMatches(UINT message, int id, int code, const Message& m) {
    if (message != m.message) {
        return false;
    }
    if (message != WM_COMMAND && message != WM_NOTIFY) {
        return true;
    }
    return (id == kAny || id == m.id) && (code == kAny || code == m.code);
}

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
    Message m{message, wParam, lParam, 0, 0};
    if (message == WM_COMMAND) {
        m.id = loWord(wParam);
        m.code = hiWord(wParam);
    } else if (message == WM_NOTIFY && lParam != 0) {
        // WM_NOTIFY carries its header's address in lParam, as on Windows.
        const auto* header =
            reinterpret_cast<const NMHDR*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        m.id = static_cast<int>(header->idFrom);
        m.code = header->code;
    }
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

int DialogBase::getDlgItemText(int id, char16_t* buffer, int maxCount) const {
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    const std::u16string text = getDlgItemText(id);
    int n = static_cast<int>(
        std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxCount - 1)));
    // Never end on the first half of a surrogate pair.
    if (n > 0 && n < static_cast<int>(text.size()) && text[n - 1] >= 0xD800 &&
        text[n - 1] <= 0xDBFF) {
        --n;
    }
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return n;
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

bool DialogBase::showWindow(int showCommand) {
    return ui::showWindow(hwnd_, showCommand);
}

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
