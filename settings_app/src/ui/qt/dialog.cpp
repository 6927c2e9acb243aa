// DialogBase and the window helpers on Qt widgets.
#include "ui/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "ui/controls.h"
#include "ui/qt/window_object.h"
#include "ui/testing.h"

namespace ui {

namespace {

std::function<void(const testing::MessageBoxCall&)>& messageBoxHook() {
    static std::function<void(const testing::MessageBoxCall&)> hook;
    return hook;
}

std::function<void(DialogBase&)>& modalHook() {
    static std::function<void(DialogBase&)> hook;
    return hook;
}

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

namespace testing {
void setMessageBoxHook(std::function<void(const MessageBoxCall&)> hook) {
    messageBoxHook() = std::move(hook);
}
void setModalHook(std::function<void(DialogBase&)> hook) {
    modalHook() = std::move(hook);
}
}  // namespace testing

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
        window->deleteLater();
    } else {
        delete window;
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
    if (processWindowMessage(m, result)) {
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
    DialogWindow* window = createDialogWindow(*this, parent, true);
    if (window == nullptr) {
        return -1;
    }
    hwnd_ = &window->self;
    initialiseDialog(*window);
    QWidget* owner = window->parentWidget();
    if (!window->ended) {
        // The dialog manager disables the owner for the length of the run.
        if (owner != nullptr) {
            owner->setEnabled(false);
        }
        window->setWindowModality(Qt::ApplicationModal);
        window->show();
        if (modalHook()) {
            modalHook()(*this);
            if (!window->ended) {
                window->sendCommand(IDCANCEL, BN_CLICKED, nullptr);
            }
            if (!window->ended) {
                endDialog(IDCANCEL);
            }
        } else {
            QEventLoop loop;
            window->modalLoop = &loop;
            loop.exec(QEventLoop::DialogExec);
            window->modalLoop = nullptr;
        }
        if (owner != nullptr) {
            owner->setEnabled(true);
            owner->activateWindow();
        }
    }
    const LRESULT result = window->result;
    if (hwnd_ != nullptr) {
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
        p->setPlainText(text);
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
        return p->toPlainText();
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
    QWidget* parentWidget = widgetOf(parent);
    if (window->childDialog) {
        QWidget* area = window->parentWidget();
        const QRect r = area->rect();
        window->move(r.center().x() - window->width() / 2, r.center().y() - window->height() / 2);
        return true;
    }
    if (parentWidget == nullptr) {
        parentWidget = window->parentWidget();
    }
    QScreen* screen = parentWidget != nullptr ? parentWidget->screen() : window->screen();
    if (parentWidget == nullptr) {
        screen = QGuiApplication::screenAt(QCursor::pos());
    }
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect over = parentWidget != nullptr ? parentWidget->window()->frameGeometry() : work;
    const QSize size = window->frameGeometry().size();
    int x = over.center().x() - size.width() / 2;
    int y = over.center().y() - size.height() / 2;
    // A top-level window stays inside the work area of its screen.
    x = std::max(work.left(), std::min(x, work.right() + 1 - size.width()));
    y = std::max(work.top(), std::min(y, work.bottom() + 1 - size.height()));
    window->move(x, y);
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
    QWidget* active = QApplication::activeWindow();
    WindowObject* object = windowObjectOf(active);
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
    return w != nullptr && w->isEnabled();
}

bool isWindowVisible(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && w->isVisible();
}

int getDlgCtrlId(HWND window) {
    return window != nullptr ? window->id : 0;
}

int messageBox(HWND owner, const char16_t* text, const char16_t* caption, UINT type) {
    if (messageBoxHook()) {
        messageBoxHook()(testing::MessageBoxCall{owner, text != nullptr ? text : u"",
                                                 caption != nullptr ? caption : u"", type});
        return IDOK;
    }
    QMessageBox box(QMessageBox::NoIcon, toQString(caption), toQString(text), QMessageBox::Ok,
                    widgetOf(owner));
    box.setTextFormat(Qt::PlainText);
    if (!messageBoxScreenshotPath().isEmpty()) {
        box.show();
        QCoreApplication::processEvents();
        saveWindowImage(&box, messageBoxScreenshotPath());
        box.close();
        return IDOK;
    }
    box.exec();
    return IDOK;
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

bool isDialogMessage(HWND window, MSG& msg) {
    DialogWindow* dialog = dialogWindowOf(window);
    if (dialog == nullptr || msg.hwnd == nullptr || msg.hwnd->dialogWindow != dialog ||
        msg.message != WM_KEYDOWN) {
        return false;
    }
    if (msg.wParam == VK_ESCAPE) {
        dialog->sendCommand(IDCANCEL, BN_CLICKED, dialog->control(IDCANCEL));
        return true;
    }
    if (msg.wParam != VK_RETURN) {
        return false;
    }
    WindowObject* focused = msg.hwnd;
    if (focused->cls == ControlClass::edit || focused->cls == ControlClass::richEdit) {
        if ((focused->style & ES_WANTRETURN) != 0) {
            return false;
        }
    }
    // A focused push button is the default for the moment; else the default push button;
    // else command 1.
    if (focused->cls == ControlClass::button &&
        (focused->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
        if (focused->widget != nullptr && focused->widget->isEnabled()) {
            dialog->sendCommand(focused->id, BN_CLICKED, focused);
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
    dialog->sendCommand(IDOK, BN_CLICKED, nullptr);
    return true;
}

}  // namespace ui
