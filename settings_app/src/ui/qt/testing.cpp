// Test and tool seams: driving dialogs by control id and reading what a user would see.
#include "ui/testing.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include "ui/presenter.h"
#include "ui/qt/backend.h"
#include "ui/qt/tab_control.h"
#include "ui/template_registry.h"

namespace ui::testing {

namespace {

std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

// Answers what a hook is set for and leaves the rest to the platform.
class HookPresenter final : public Presenter {
  public:
    std::function<void(const MessageBoxCall&)> box;
    std::function<void(DialogBase&)> modal;
    std::function<std::optional<std::u16string>(const OpenFileCall&)> file;

    int messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                   UINT type) override {
        if (!box) {
            return platformPresenter().messageBox(owner, text, caption, type);
        }
        box(MessageBoxCall{owner, std::u16string(text), std::u16string(caption), type});
        return IDOK;
    }

    std::optional<std::u16string> openFile(const OpenFileRequest& request) override {
        if (!file) {
            return platformPresenter().openFile(request);
        }
        return file(OpenFileCall{
            request.owner, {request.filters.begin(), request.filters.end()}, request.flags});
    }

    void runModal(DialogBase& dialog) override {
        if (!modal) {
            platformPresenter().runModal(dialog);
            return;
        }
        // A copy: the hook may replace itself while it runs.
        const auto hook = modal;
        hook(dialog);
        DialogWindow* window = dialog.hwnd() != nullptr ? dialog.hwnd()->dialogWindow : nullptr;
        if (window != nullptr && !window->ended) {
            window->sendCommand(IDCANCEL, BN_CLICKED, nullptr);
        }
    }

    void update() { setPresenter(box || modal || file ? this : nullptr); }
};

HookPresenter& hooks() {
    static HookPresenter presenter;
    return presenter;
}

// Watches for modal windows being shown and tells the observer once the loop runs them.
class ModalWatcher final : public QObject {
  public:
    std::function<void(const ShownModal&)> observer;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Show || w == nullptr || !w->isWindow() || !w->isModal() ||
            !observer) {
            return false;
        }
        ShownModal shown;
        shown.caption = toU16(w->windowTitle());
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            shown.text = toU16(box->text());
        }
        if (auto* dialog = dynamic_cast<DialogWindow*>(w)) {
            shown.templateId = dialog->tmpl.id;
        }
        WindowObject* owner = windowObjectOf(w->parentWidget());
        shown.owner = owner;
        const QPointer<QWidget> guard(w);
        QTimer::singleShot(0, this, [this, shown, guard] {
            if (guard != nullptr && guard->isVisible() && observer) {
                observer(shown);
            }
        });
        return false;
    }
};

// Saves a top-level widget as it looks on screen, with a plain title bar, to a PNG file.
bool saveWindowImage(QWidget* w, const QString& path) {
    const QPixmap client = w->grab();
    // A plain title bar, so the caption can be judged as well.
    constexpr int kTitle = 26;
    constexpr int kBorder = 1;
    QImage image(client.width() + 2 * kBorder, client.height() + kTitle + kBorder,
                 QImage::Format_RGB32);
    image.fill(QColor(0x60, 0x6a, 0x78));
    QPainter painter(&image);
    painter.fillRect(QRect(kBorder, kBorder, client.width(), kTitle - kBorder),
                     QColor(0xe4, 0xe8, 0xee));
    int textLeft = kBorder + 6;
    const QIcon icon = w->windowIcon();
    if (!icon.availableSizes().isEmpty()) {
        painter.drawPixmap(kBorder + 5, kBorder + 4, icon.pixmap(16, 16));
        textLeft += 22;
    }
    QFont font = w->font();
    font.setPointSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(textLeft, kBorder, client.width() - textLeft - 30, kTitle - kBorder),
                     Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
    painter.drawText(QRect(client.width() - 24, kBorder, 20, kTitle - kBorder), Qt::AlignCenter,
                     QStringLiteral("×"));
    painter.drawPixmap(kBorder, kTitle, client);
    painter.end();
    return image.save(path, "PNG");
}

// Templates tests add, the latest first, asked before the program's own.
std::vector<const DialogTemplate*>& addedTemplates() {
    static std::vector<const DialogTemplate*> added;
    return added;
}

const DialogTemplate* findAddedTemplate(int id) {
    for (const DialogTemplate* t : addedTemplates()) {
        if (t->id == id) {
            return t;
        }
    }
    return nullptr;
}

std::vector<int>& shownLog() {
    static std::vector<int> log;
    return log;
}

void recordShown(int templateId) {
    shownLog().push_back(templateId);
}

// The log starts with the process, before any test has asked for it.
[[maybe_unused]] const bool kListening = [] {
    setDialogShownListener(&recordShown);
    return true;
}();

ModalWatcher& watcher() {
    static auto* w = [] {
        auto* created = new ModalWatcher;
        qApp->installEventFilter(created);
        return created;
    }();
    return *w;
}

}  // namespace

void setMessageBoxHook(std::function<void(const MessageBoxCall&)> hook) {
    hooks().box = std::move(hook);
    hooks().update();
}

void setModalHook(std::function<void(DialogBase&)> hook) {
    hooks().modal = std::move(hook);
    hooks().update();
}

void setOpenFileHook(std::function<std::optional<std::u16string>(const OpenFileCall&)> hook) {
    hooks().file = std::move(hook);
    hooks().update();
}

void setModalObserver(std::function<void(const ShownModal&)> observer) {
    watcher().observer = std::move(observer);
}

bool saveActiveModal(const std::string& path) {
    QWidget* w = QApplication::activeModalWidget();
    return w != nullptr && saveWindowImage(w, QString::fromStdString(path));
}

bool pressKeyInActiveModal(WPARAM virtualKey) {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr) {
        return false;
    }
    QWidget* target = w->focusWidget() != nullptr ? w->focusWidget() : w;
    const int key = virtualKey == VK_ESCAPE ? Qt::Key_Escape : Qt::Key_Return;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    return true;
}

bool busyCursorShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
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

void pressKey(DialogBase& dialog, WPARAM virtualKey, bool control, bool shift) {
    QWidget* w = widgetOf(dialog.hwnd());
    if (w == nullptr) {
        return;
    }
    // Keys go to an open pop-up (a drop-down list), else to the focus widget of the window the
    // dialog is part of.
    QWidget* target = w->window()->focusWidget() != nullptr ? w->window()->focusWidget() : w;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        target = popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
    }
    int key = virtualKey == VK_ESCAPE   ? Qt::Key_Escape
              : virtualKey == VK_RETURN ? Qt::Key_Return
                                        : Qt::Key_Tab;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    if (control) {
        modifiers |= Qt::ControlModifier;
    }
    if (shift) {
        modifiers |= Qt::ShiftModifier;
        if (key == Qt::Key_Tab) {
            key = Qt::Key_Backtab;
        }
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
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

std::u16string fontFamily(HWND window) {
    QWidget* w = widgetOf(window);
    return w != nullptr && !w->font().families().isEmpty() ? toU16(w->font().families().first())
                                                           : std::u16string();
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

void processEvents() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void postToLoop(std::function<void()> f) {
    QTimer::singleShot(0, qApp, std::move(f));
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

COLORREF backgroundColor(HWND window) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return 0;
    }
    const QImage image = w->grab(QRect(0, 0, 2, 2)).toImage();
    const QColor c = image.pixelColor(1, 1);
    return rgb(c.red(), c.green(), c.blue());
}

bool saveScreenshot(HWND window, const std::string& path) {
    QWidget* w = widgetOf(window);
    return w != nullptr && saveWindowImage(w, QString::fromStdString(path));
}

const std::vector<int>& shownDialogs() {
    return shownLog();
}

void clearShownDialogs() {
    shownLog().clear();
}

void addDialogTemplate(const DialogTemplate& dialogTemplate) {
    addedTemplates().insert(addedTemplates().begin(), &dialogTemplate);
    setTemplateSource(&findAddedTemplate);
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

}  // namespace ui::testing
