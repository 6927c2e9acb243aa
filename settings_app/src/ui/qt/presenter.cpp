// The platform's presenter on Qt: the modal loop of a dialog, message boxes and the open-file
// dialog, each a modal run that a close of the program can end early.
#include "ui/presenter.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include "ui/dialog.h"
#include "ui/qt/backend.h"

namespace ui {

namespace {

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

// The box as MessageBoxW shows type 0: text, one OK button without an icon, the caption given,
// and wide enough that the window manager shows the caption whole.
void shapeMessageBox(QMessageBox& box, const QString& caption) {
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // A caption and a close box, nothing to minimise or maximise.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) {
        ok->setIcon(QIcon());
    }
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    // Room for the window manager's buttons and icon beside the caption.
    constexpr int kTitleBarExtras = 160;
    const int wanted = QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleBarExtras;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

QString filterText(std::span<const FileFilter> filters) {
    QStringList parts;
    for (const FileFilter& f : filters) {
        QString patterns = toQString(f.pattern);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = toQString(f.name);
        // Qt reads the patterns from the parentheses of the name.
        if (!name.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'))) {
            name += QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
        parts << name;
    }
    return parts.join(QStringLiteral(";;"));
}

class QtPresenter final : public Presenter {
  public:
    int messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                   UINT /*type*/) override {
        if (terminationRequested()) {
            return IDOK;
        }
        const QString title = toQString(caption);
        QPointer<QMessageBox> box(new QMessageBox(QMessageBox::NoIcon, title, toQString(text),
                                                  QMessageBox::Ok, widgetOf(owner)));
        shapeMessageBox(*box, title);
        {
            const ModalScope scope([box] {
                if (box != nullptr) {
                    box->done(QMessageBox::Ok);
                }
            });
            box->exec();
        }
        delete box.data();
        return IDOK;
    }

    std::optional<std::u16string> openFile(const OpenFileRequest& request) override {
        if (terminationRequested()) {
            return std::nullopt;
        }
        QPointer<QFileDialog> dialog(new QFileDialog(widgetOf(request.owner)));
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        // The chosen file must exist (OFN_FILEMUSTEXIST); otherwise any name will do.
        dialog->setFileMode((request.flags & OFN_FILEMUSTEXIST) != 0 ? QFileDialog::ExistingFile
                                                                     : QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setOption(QFileDialog::ReadOnly, (request.flags & OFN_HIDEREADONLY) != 0);
        dialog->setWindowModality(Qt::ApplicationModal);
        if (!request.filters.empty()) {
            dialog->setNameFilter(filterText(request.filters));
        }
        if (!request.defaultExt.empty()) {
            dialog->setDefaultSuffix(toQString(request.defaultExt));
        }
        if (!request.initialName.empty()) {
            dialog->selectFile(toQString(request.initialName));
        }
        int result = QDialog::Rejected;
        {
            const ModalScope scope([dialog] {
                if (dialog != nullptr) {
                    dialog->reject();
                }
            });
            result = dialog->exec();
        }
        std::optional<std::u16string> chosen;
        if (dialog != nullptr && result == QDialog::Accepted &&
            !dialog->selectedFiles().isEmpty()) {
            chosen = toU16(QDir::toNativeSeparators(dialog->selectedFiles().constFirst()));
        }
        delete dialog.data();
        return chosen;
    }

    void runModal(DialogBase& dialog) override {
        DialogWindow* window =
            widgetOf(dialog.hwnd()) != nullptr ? dialog.hwnd()->dialogWindow : nullptr;
        if (window == nullptr || window->ended) {
            return;
        }
        QPointer<DialogWindow> guard(window);
        QEventLoop loop;
        window->modalLoop = &loop;
        {
            const ModalScope scope([&dialog] { dialog.endDialog(IDCANCEL); });
            loop.exec(QEventLoop::DialogExec);
        }
        if (guard != nullptr) {
            guard->modalLoop = nullptr;
        }
    }
};

}  // namespace

Presenter& platformPresenter() {
    static QtPresenter presenter;
    return presenter;
}

}  // namespace ui
