// The yardstick for start-up: a Qt program that shows one empty dialog and ends as soon as its
// event loop runs, as the settings program does when a termination request is already waiting.
// With --label the dialog carries one line of text, which makes Qt load its font database.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <cstring>

int main(int argc, char** argv) {
    const bool withLabel = argc > 1 && std::strcmp(argv[1], "--label") == 0;
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.resize(400, 300);
    if (withLabel) {
        new QLabel(QStringLiteral("Printer"), &dialog);
    }
    dialog.show();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(2); });
    return QApplication::exec();
}
