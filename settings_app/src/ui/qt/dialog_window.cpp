// Dialog widgets built from templates: control creation, dialog units, input forwarding.
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

#include "ui/qt/tab_control.h"
#include "ui/qt/window_object.h"

namespace ui {

namespace {

constexpr const char* kWindowObjectProperty = "qvWindowObject";

std::set<ControlClass>& registeredClasses() {
    // The classes every Windows process has; the rest are registered at start-up.
    static std::set<ControlClass> classes{ControlClass::button, ControlClass::staticText,
                                          ControlClass::edit, ControlClass::comboBox};
    return classes;
}

std::vector<int>& shownLog() {
    static std::vector<int> log;
    return log;
}

// "MS Shell Dlg" is an alias that Windows maps to a face suited to the user's language; here
// DejaVu Sans stands in for Latin scripts and Noto Sans CJK for Chinese, so that one face sets
// the base units and the baseline of every text in the dialog.
QStringList shellDlgFamilies() {
    const QString language = QString::fromStdString(userLanguage());
    if (language.startsWith(QLatin1String("zh"))) {
        const bool traditional = language.startsWith(QLatin1String("zh_TW")) ||
                                 language.startsWith(QLatin1String("zh_HK"));
        return {
            traditional ? QStringLiteral("Noto Sans CJK TC") : QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("DejaVu Sans")};
    }
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")};
}

}  // namespace

QFont dialogFont(const DialogTemplate& t) {
    QFont font;
    if (t.fontName == u"MS Shell Dlg" || t.fontName == u"MS Shell Dlg 2") {
        font.setFamilies(shellDlgFamilies());
    } else {
        font.setFamily(
            QString::fromUtf16(t.fontName.data(), static_cast<qsizetype>(t.fontName.size())));
    }
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(t.fontPointSize);
    return font;
}

namespace {

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

Qt::FocusPolicy focusFor(uint32_t style) {
    return (style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
}

QWidget* makeControl(const ControlTemplate& c, DialogWindow& dialog, WindowObject& object) {
    const QString text = toQString(c.text);
    switch (c.cls) {
        case ControlClass::button: {
            const uint32_t type = c.style & BS_TYPEMASK;
            if (type == BS_GROUPBOX) {
                auto* box = new QGroupBox(text, &dialog);
                box->setFocusPolicy(Qt::NoFocus);
                // A frame drawn around controls, as on Windows: clicks inside it reach the
                // controls, also those that come before the box in template order.
                box->setAttribute(Qt::WA_TransparentForMouseEvents);
                return box;
            }
            if (type == BS_AUTOCHECKBOX) {
                auto* check = new QCheckBox(text, &dialog);
                QObject::connect(check, &QCheckBox::clicked, &dialog, [&dialog, &object] {
                    dialog.sendCommand(object.id, BN_CLICKED, &object);
                });
                return check;
            }
            auto* button = new QPushButton(text, &dialog);
            button->setAutoDefault(false);
            object.isDefaultButton = type == BS_DEFPUSHBUTTON;
            QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &object] {
                dialog.sendCommand(object.id, BN_CLICKED, &object);
            });
            return button;
        }
        case ControlClass::staticText: {
            auto* label = new QLabel(text, &dialog);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);  // SS_LEFT wraps at word breaks
            Qt::Alignment horizontal = Qt::AlignLeft;
            if ((c.style & 0xF) == SS_CENTER) {
                horizontal = Qt::AlignHCenter;
            } else if ((c.style & 0xF) == SS_RIGHT) {
                horizontal = Qt::AlignRight;
            }
            label->setAlignment(horizontal | Qt::AlignTop);
            label->setFocusPolicy(Qt::NoFocus);
            return label;
        }
        case ControlClass::edit:
        case ControlClass::richEdit: {
            if ((c.style & ES_MULTILINE) != 0) {
                auto* edit = new QPlainTextEdit(text, &dialog);
                edit->setTabChangesFocus(true);
                // A field that scrolls horizontally keeps each typed line on one line.
                if ((c.style & (ES_AUTOHSCROLL | WS_HSCROLL)) != 0) {
                    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
                }
                edit->setReadOnly((c.style & ES_READONLY) != 0);
                QObject::connect(edit, &QPlainTextEdit::textChanged, &dialog, [&dialog, &object] {
                    dialog.sendCommand(object.id, EN_CHANGE, &object);
                });
                return edit;
            }
            auto* edit = new QLineEdit(text, &dialog);
            edit->setFrame((c.style & WS_BORDER) != 0);
            if ((c.style & ES_READONLY) != 0) {
                // A read-only field has the dialog's face, so nobody expects to type into it.
                edit->setReadOnly(true);
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                edit->setPalette(palette);
            }
            QObject::connect(edit, &QLineEdit::textEdited, &dialog, [&dialog, &object] {
                dialog.sendCommand(object.id, EN_CHANGE, &object);
            });
            return edit;
        }
        case ControlClass::comboBox: {
            auto* combo = new QComboBox(&dialog);
            combo->setEditable(false);
            QObject::connect(combo, &QComboBox::activated, &dialog, [&dialog, &object] {
                dialog.sendCommand(object.id, CBN_SELCHANGE, &object);
            });
            return combo;
        }
        case ControlClass::listView: {
            auto* list = new QTreeWidget(&dialog);
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setColumnCount(0);
            list->header()->setStretchLastSection(false);
            list->header()->setSectionsMovable(false);
            list->setFrameShape((c.style & WS_BORDER) != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
            list->setSelectionMode((c.style & LVS_SINGLESEL) != 0
                                       ? QAbstractItemView::SingleSelection
                                       : QAbstractItemView::ExtendedSelection);
            QObject::connect(list, &QTreeWidget::itemClicked, &dialog,
                             [&dialog, &object] { dialog.sendNotify(&object, NM_CLICK); });
            return list;
        }
        case ControlClass::tabControl: {
            auto* tabs = new TabControlWidget(&dialog);
            // A user's change of tab asks the dialog first; a nonzero answer keeps the tab.
            tabs->setSelChanging(
                [&dialog, &object] { return dialog.sendNotify(&object, TCN_SELCHANGING) != 0; });
            QObject::connect(tabs->bar(), &QTabBar::currentChanged, &dialog,
                             [&dialog, &object, tabs] {
                                 if (!tabs->changingProgrammatically()) {
                                     dialog.sendNotify(&object, TCN_SELCHANGE);
                                 }
                             });
            return tabs;
        }
    }
    return nullptr;
}

// The height a drop-down list shows closed; the template height is that of the open list.
int closedComboHeight(const DialogWindow& dialog, QWidget* combo) {
    return std::max(combo->sizeHint().height(), dialog.baseY + 8);
}

}  // namespace

bool controlClassRegistered(ControlClass cls) {
    return registeredClasses().contains(cls);
}

void initCommonControls() {
    registeredClasses().insert(ControlClass::listView);
    registeredClasses().insert(ControlClass::tabControl);
}

void loadRichEditLibrary() {
    registeredClasses().insert(ControlClass::richEdit);
}

void recordShown(int templateId) {
    shownLog().push_back(templateId);
}

namespace {
std::vector<const DialogTemplate*>& addedTemplates() {
    static std::vector<const DialogTemplate*> added;
    return added;
}
}  // namespace

const DialogTemplate* findDialogTemplate(int id) {
    for (const DialogTemplate* t : addedTemplates()) {
        if (t->id == id) {
            return t;
        }
    }
    for (const DialogTemplate* t : programDialogTemplates()) {
        if (t->id == id) {
            return t;
        }
    }
    return nullptr;
}

namespace testing {
const std::vector<int>& shownDialogs() {
    return shownLog();
}
void clearShownDialogs() {
    shownLog().clear();
}
void addDialogTemplate(const DialogTemplate& dialogTemplate) {
    addedTemplates().insert(addedTemplates().begin(), &dialogTemplate);
}
}  // namespace testing

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
        recordShown(tmpl.id);
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

DialogWindow* createDialogWindow(DialogBase& dialog, HWND parent, bool modal) {
    const DialogTemplate* t = findDialogTemplate(dialog.templateId());
    if (t == nullptr) {
        return nullptr;
    }
    for (const auto& c : t->controls) {
        if (!controlClassRegistered(c.cls)) {
            return nullptr;
        }
    }
    const bool child = (t->style & WS_CHILD) != 0;
    QWidget* parentWidget = widgetOf(parent);
    if (child && parentWidget == nullptr) {
        return nullptr;
    }
    if (!child && parentWidget != nullptr) {
        parentWidget = parentWidget->window();
    }
    auto* window = new DialogWindow(dialog, *t, parentWidget, child);
    window->modal = modal;
    if (!child) {
        Qt::WindowFlags flags = parentWidget != nullptr ? Qt::Dialog : Qt::Window;
        flags |= Qt::CustomizeWindowHint;
        if ((t->style & WS_CAPTION) == WS_CAPTION) {
            flags |= Qt::WindowTitleHint;
        }
        if ((t->style & WS_SYSMENU) != 0) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if ((t->style & WS_MINIMIZEBOX) != 0) {
                flags |= Qt::WindowMinimizeButtonHint;
            }
        }
        window->setWindowFlags(flags);
    }
    for (const auto& c : t->controls) {
        auto object = std::make_unique<WindowObject>();
        object->id = c.id;
        object->cls = c.cls;
        object->style = c.style;
        object->rect = c.rect;
        object->labelId = c.labelId;
        object->dialogWindow = window;
        QWidget* w = makeControl(c, *window, *object);
        object->widget = w;
        w->setProperty(kWindowObjectProperty, QVariant::fromValue<void*>(object.get()));
        if (c.cls != ControlClass::staticText &&
            !(c.cls == ControlClass::button && (c.style & BS_TYPEMASK) == BS_GROUPBOX)) {
            w->setFocusPolicy(focusFor(c.style));
        }
        w->setEnabled((c.style & WS_DISABLED) == 0);
        w->setVisible((c.style & WS_VISIBLE) != 0);
        window->controls.push_back(std::move(object));
    }
    // Font, base units, the dialog's size and every control's place, in dialog units.
    window->applyTemplateLayout();
    return window;
}

void initialiseDialog(DialogWindow& window) {
    const LRESULT setDefaultFocus = window.dialog->sendMessage(WM_INITDIALOG, 0, 0);
    if (window.dialog == nullptr) {
        return;
    }
    // The main dialog binds the catalogs in its own initialisation; once gettext has chosen the
    // language, the dialog takes that language's font and is laid out again.
    if (window.font() != dialogFont(window.tmpl)) {
        window.applyTemplateLayout();
        if (window.centreAgainWhenFramed) {
            window.centre();
        }
    }
    window.refreshAccessibleNames();
    if (setDefaultFocus != 0) {
        // The first enabled, visible tab stop, in template order.
        for (const auto& c : window.controls) {
            if ((c->style & WS_TABSTOP) != 0 && c->widget != nullptr && c->widget->isEnabled() &&
                !c->widget->isHidden()) {
                c->widget->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
}

}  // namespace ui
