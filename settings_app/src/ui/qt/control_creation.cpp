// Dialog windows built from templates: the control classes registered, the dialog font, one
// widget per control, then WM_INITDIALOG and the default focus.
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

#include "ui/qt/backend.h"
#include "ui/qt/tab_control.h"

namespace ui {

namespace {

std::set<ControlClass>& registeredClasses() {
    // The classes every Windows process has; the rest are registered at start-up.
    static std::set<ControlClass> classes{ControlClass::button, ControlClass::staticText,
                                          ControlClass::edit, ControlClass::comboBox};
    return classes;
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

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
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

// The first enabled, visible tab stop in template order. A control that hosts pages (the tab
// control) is searched through its shown pages in its place, as the dialog manager walks into
// control parents: a tabbed dialog starts in the first field of the page it shows.
WindowObject* firstTabStop(const DialogWindow& window) {
    for (const auto& c : window.controls) {
        if (c->widget == nullptr || !c->widget->isEnabled() || c->widget->isHidden()) {
            continue;
        }
        for (const QObject* child : c->widget->children()) {
            // DialogWindow declares no meta-object of its own, so findChildren cannot tell it.
            const auto* page = dynamic_cast<const DialogWindow*>(child);
            if (page != nullptr && !page->isHidden()) {
                if (WindowObject* inner = firstTabStop(*page)) {
                    return inner;
                }
            }
        }
        if ((c->style & WS_TABSTOP) != 0) {
            return c.get();
        }
    }
    return nullptr;
}

}  // namespace

// The height a drop-down list shows closed; the template height is that of the open list.
int closedComboHeight(const DialogWindow& dialog, QWidget* combo) {
    return std::max(combo->sizeHint().height(), dialog.baseY + 8);
}

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
        if (WindowObject* first = firstTabStop(window)) {
            first->widget->setFocus(Qt::OtherFocusReason);
        }
    }
}

}  // namespace ui
