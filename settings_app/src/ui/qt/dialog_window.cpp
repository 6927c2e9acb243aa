// The widget of a dialog: dialog units, layout, centring, painting, accessible names and input
// forwarding to the message map; and the handlers that run now.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTreeWidget>
#include <QVariant>
#include <algorithm>
#include <set>
#include <vector>

#include "ui/qt/backend.h"
#include "ui/qt/tab_control.h"
#include "ui/template_registry.h"

namespace ui {

namespace {

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

std::vector<QPointer<QWidget>>& dispatchStack() {
    static std::vector<QPointer<QWidget>> stack;
    return stack;
}

}  // namespace

QWidget* dispatchingWindow() {
    auto& stack = dispatchStack();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (*it != nullptr) {
            return it->data();
        }
    }
    return nullptr;
}

void pushDispatching(QWidget* window) {
    dispatchStack().emplace_back(window);
}

void popDispatching() {
    if (!dispatchStack().empty()) {
        dispatchStack().pop_back();
    }
}

WindowObject* windowObjectOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant v = w->property(kWindowObjectProperty);
        if (v.isValid()) {
            return static_cast<WindowObject*>(v.value<void*>());
        }
    }
    return nullptr;
}

WindowObject* windowObjectWithinWindow(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant v = w->property(kWindowObjectProperty);
        if (v.isValid()) {
            return static_cast<WindowObject*>(v.value<void*>());
        }
        if (w->isWindow()) {
            break;
        }
    }
    return nullptr;
}

QWidget* widgetOf(HWND window) {
    return window != nullptr ? window->widget.data() : nullptr;
}

DialogWindow::DialogWindow(DialogBase& owner, const DialogTemplate& dialogTemplate, QWidget* parent,
                           bool child)
    : QWidget(parent), dialog(&owner), tmpl(dialogTemplate), childDialog(child) {
    self.widget = this;
    self.id = 0;
    self.style = dialogTemplate.style;
    self.dialogWindow = this;
    setProperty(kWindowObjectProperty, QVariant::fromValue<void*>(&self));
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (child) {
        // Pages keep the system dialog colour over the tab control's panel.
        setAutoFillBackground(true);
    }
    setWindowTitle(toQString(dialogTemplate.caption));
}

int DialogWindow::toPixelsX(int units) const {
    return mulDiv(units, baseX, 4);
}
int DialogWindow::toPixelsY(int units) const {
    return mulDiv(units, baseY, 8);
}

WindowObject* DialogWindow::control(int id) const {
    for (const auto& c : controls) {
        if (c->id == id && id != -1) {
            return c.get();
        }
    }
    return nullptr;
}

void DialogWindow::sendCommand(int id, int code, WindowObject* from) {
    if (dialog != nullptr) {
        dialog->sendMessage(WM_COMMAND, makeWParam(id, code), reinterpret_cast<LPARAM>(from));
    }
}

LRESULT DialogWindow::sendNotify(WindowObject* from, int code) {
    if (dialog == nullptr) {
        return 0;
    }
    NMHDR header{from, static_cast<uintptr_t>(static_cast<uint16_t>(from->id)), code};
    return dialog->sendMessage(WM_NOTIFY, static_cast<WPARAM>(static_cast<uint16_t>(from->id)),
                               reinterpret_cast<LPARAM>(&header));
}

namespace {

// The frame the window manager puts around top-level windows, as last seen on any of ours:
// the best guess for a window that is not framed yet.
QMargins& lastFrameMargins() {
    static QMargins margins;
    return margins;
}

QMargins frameMarginsOf(const QWidget& w) {
    const QRect frame = w.frameGeometry();
    const QRect client = w.geometry();
    if (frame != client) {
        const QMargins m(client.left() - frame.left(), client.top() - frame.top(),
                         frame.right() - client.right(), frame.bottom() - client.bottom());
        lastFrameMargins() = m;
        return m;
    }
    return w.isVisible() ? QMargins() : lastFrameMargins();
}

}  // namespace

void DialogWindow::centre() {
    if (childDialog) {
        const QRect r = parentWidget()->rect();
        move(r.center().x() - width() / 2, r.center().y() - height() / 2);
        return;
    }
    QWidget* over = centreOver != nullptr ? centreOver->window() : nullptr;
    QScreen* screen = over != nullptr ? over->screen() : this->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect area = over != nullptr ? over->frameGeometry() : work;
    const QMargins m = frameMarginsOf(*this);
    const QSize framed = size().grownBy(m);
    // Integer centres as the dialog manager computes them.
    int x = area.left() + (area.width() - framed.width()) / 2;
    int y = area.top() + (area.height() - framed.height()) / 2;
    // A top-level window stays inside the work area of its screen.
    x = std::max(work.left(), std::min(x, work.left() + work.width() - framed.width()));
    y = std::max(work.top(), std::min(y, work.top() + work.height() - framed.height()));
    // A top-level widget's position is that of its frame.
    move(x, y);
}

bool DialogWindow::event(QEvent* event) {
    const QEvent::Type type = event->type();
    // A deferred deletion frees this window inside QWidget::event: nothing may follow it.
    if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::Show) {
        return QWidget::event(event);
    }
    const bool handled = QWidget::event(event);
    if (centreAgainWhenFramed && isVisible() && frameGeometry() != geometry()) {
        centreAgainWhenFramed = false;
        centre();
    }
    return handled;
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The close box is command 2; the dialog decides what closing means.
    event->ignore();
    sendCommand(IDCANCEL, BN_CLICKED, nullptr);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (dialog == nullptr) {
        return;
    }
    const LRESULT brush = dialog->sendMessage(WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(&self));
    if (brush != 0) {
        // The handler returns its brush handle as the message result.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        const auto* handle = reinterpret_cast<const BrushObject*>(brush);
        const COLORREF c = handle->color;
        QPainter painter(this);
        painter.fillRect(rect(),
                         QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                static_cast<int>((c >> 16) & 0xFF)));
    }
}

void DialogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        dialogShown(tmpl.id);
    }
}

namespace {

QString plainText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text().remove(QLatin1Char('&'));
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        return g->title();
    }
    return {};
}

bool isField(const WindowObject& c) {
    return c.cls == ControlClass::edit || c.cls == ControlClass::richEdit ||
           c.cls == ControlClass::comboBox || c.cls == ControlClass::listView;
}

}  // namespace

void DialogWindow::refreshAccessibleNames() {
    // As assistive tools read a dialog: a button, a box and a static text by their own text; a
    // field or list by the static text paired with it in the template, else the one just
    // before it in template order. A static value paired with a label keeps its own text as
    // its name and is labelled by the label ("Printer Type:" "QV-410").
    const WindowObject* previous = nullptr;
    for (const auto& c : controls) {
        QWidget* w = c->widget;
        const WindowObject* label = nullptr;
        if (c->labelId != 0) {
            label = control(c->labelId);
        } else if (isField(*c) && previous != nullptr &&
                   previous->cls == ControlClass::staticText) {
            label = previous;
        }
        previous = c.get();
        if (w == nullptr) {
            continue;
        }
        auto* labelWidget =
            label != nullptr ? qobject_cast<QLabel*>(label->widget.data()) : nullptr;
        if (labelWidget != nullptr) {
            labelWidget->setBuddy(w);
        }
        if (c->cls == ControlClass::staticText || c->cls == ControlClass::button) {
            w->setAccessibleName(plainText(w));
        } else if (labelWidget != nullptr) {
            w->setAccessibleName(labelWidget->text());
        } else if (auto* list = qobject_cast<QTreeWidget*>(w)) {
            w->setAccessibleName(list->headerItem() != nullptr ? list->headerItem()->text(0)
                                                               : QString());
        }
    }
}

void DialogWindow::applyTemplateLayout() {
    setFont(dialogFont(tmpl));
    const QFontMetrics fm(font());
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = (letters / 26 + 1) / 2;
    baseY = fm.height();
    if (childDialog) {
        // A page is moved and sized freely by the dialog that hosts it.
        resize(toPixelsX(tmpl.cx), toPixelsY(tmpl.cy));
    } else {
        setFixedSize(toPixelsX(tmpl.cx), toPixelsY(tmpl.cy));
    }
    for (const auto& c : controls) {
        QWidget* w = c->widget;
        if (w == nullptr) {
            continue;
        }
        int height = toPixelsY(c->rect.cy);
        if (c->cls == ControlClass::comboBox) {
            height = closedComboHeight(*this, w);
        }
        w->setGeometry(toPixelsX(c->rect.x), toPixelsY(c->rect.y), toPixelsX(c->rect.cx), height);
    }
}

}  // namespace ui
