// Modal windows as they are shown on Qt: an application-wide event filter sees each one shown and
// tells the observer once the running loop has it on screen.
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "ui/qt/backend.h"
#include "ui/qt/seams.h"
#include "ui/testing.h"

namespace ui::testing {

namespace {

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

ModalWatcher& watcher() {
    static auto* w = [] {
        auto* created = new ModalWatcher;
        qApp->installEventFilter(created);
        return created;
    }();
    return *w;
}

}  // namespace

void setModalObserver(std::function<void(const ShownModal&)> observer) {
    watcher().observer = std::move(observer);
}

}  // namespace ui::testing
