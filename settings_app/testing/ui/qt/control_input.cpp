// Driving dialogs on Qt by control id as the user does: clicks, typing, choices, focus and the
// close box; and finding a dialog by its template.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include "ui/qt/backend.h"
#include "ui/qt/tab_control.h"
#include "ui/seams.h"
#include "ui/testing.h"

namespace ui::testing {

void detail::templateAdded(const DialogTemplate& /*dialogTemplate*/) {
    // A dialog's widgets are built from its template whenever it is created: nothing is kept.
}

void detail::closeIfStillRunning(DialogBase& dialog) {
    DialogWindow* window = dialog.hwnd() != nullptr ? dialog.hwnd()->dialogWindow : nullptr;
    if (window != nullptr && !window->ended) {
        window->sendCommand(IDCANCEL, BN_CLICKED, nullptr);
    }
}

DialogBase* findDialog(int templateId) {
    for (QWidget* w : QApplication::allWidgets()) {
        auto* dialog = dynamic_cast<DialogWindow*>(w);
        if (dialog != nullptr && dialog->dialog != nullptr && dialog->tmpl.id == templateId) {
            return dialog->dialog;
        }
    }
    return nullptr;
}

bool click(DialogBase& dialog, int id) {
    HWND item = dialog.getDlgItem(id);
    QWidget* w = widgetOf(item);
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) {
        return false;
    }
    button->click();
    return true;
}

bool clickTab(DialogBase& dialog, int tabControlId, int index) {
    auto* tabs = dynamic_cast<TabControlWidget*>(widgetOf(dialog.getDlgItem(tabControlId)));
    if (tabs == nullptr || !tabs->isEnabled() || index < 0 || index >= tabs->bar()->count()) {
        return false;
    }
    tabs->bar()->setCurrentIndex(index);
    return true;
}

bool typeText(DialogBase& dialog, int id, const std::u16string& text) {
    QWidget* w = widgetOf(dialog.getDlgItem(id));
    const QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    // A read-only field takes no typing.
    if (auto* line = qobject_cast<QLineEdit*>(w);
        line != nullptr && line->isEnabled() && !line->isReadOnly()) {
        line->selectAll();
        line->insert(s);
        return true;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w);
        plain != nullptr && plain->isEnabled() && !plain->isReadOnly()) {
        plain->selectAll();
        plain->insertPlainText(s);
        return true;
    }
    return false;
}

bool chooseListEntry(DialogBase& dialog, int id, int index) {
    auto* combo = qobject_cast<QComboBox*>(widgetOf(dialog.getDlgItem(id)));
    if (combo == nullptr || !combo->isEnabled() || index < 0 || index >= combo->count()) {
        return false;
    }
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

bool openDropDown(DialogBase& dialog, int id) {
    auto* combo = qobject_cast<QComboBox*>(widgetOf(dialog.getDlgItem(id)));
    if (combo == nullptr || !combo->isEnabled()) {
        return false;
    }
    combo->showPopup();
    return dropDownOpen(dialog, id);
}

bool dropDownOpen(DialogBase& dialog, int id) {
    auto* combo = qobject_cast<QComboBox*>(widgetOf(dialog.getDlgItem(id)));
    return combo != nullptr && combo->view() != nullptr && combo->view()->isVisible();
}

bool focusControl(DialogBase& dialog, int id) {
    QWidget* w = widgetOf(dialog.getDlgItem(id));
    if (w == nullptr || !w->isEnabled() || !w->isVisible() || w->focusPolicy() == Qt::NoFocus) {
        return false;
    }
    w->setFocus(Qt::MouseFocusReason);
    return w->window()->focusWidget() == w;
}

void closeBox(DialogBase& dialog) {
    if (QWidget* w = widgetOf(dialog.hwnd())) {
        w->close();
    }
}

}  // namespace ui::testing
