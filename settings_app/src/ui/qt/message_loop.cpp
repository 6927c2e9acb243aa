// The message loop on Qt's event loop: input goes to the registered filters first, idle handlers
// run whenever the loop is about to wait. Also the application object and termination signals.
#include "ui/message_loop.h"

#include <fcntl.h>
#include <unistd.h>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <algorithm>
#include <cerrno>
#include <csignal>

#include "ui/qt/backend.h"

namespace ui {

namespace {

int signalPipe[2] = {-1, -1};
QSocketNotifier* signalNotifier = nullptr;
void (*terminationHandler)(void*) = nullptr;
void* terminationContext = nullptr;

void onSignal(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto n = write(signalPipe[1], &byte, 1);
    errno = saved;
}

void drainSignals() {
    if (terminationHandler == nullptr) {
        // Keep the byte until someone can act on it.
        signalNotifier->setEnabled(false);
        return;
    }
    char buffer[16];
    while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    requestTermination(terminationHandler, terminationContext);
}

}  // namespace

int MessageLoop::run() {
    const RunningLoop running(this);
    QMetaObject::Connection idleConnection;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        idleConnection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                          [this] { idle(); });
    }
    const int code = QApplication::exec();
    QObject::disconnect(idleConnection);
    return code;
}

void postQuitMessage(int exitCode) {
    QMetaObject::invokeMethod(
        qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

struct Application::Impl {
    explicit Impl(int& argc, char** argv) : app(argc, argv), keys(&app) {
        // Only the main dialog's close ends the program.
        QApplication::setQuitOnLastWindowClosed(false);
        app.installEventFilter(&keys);
    }
    QApplication app;
    KeyFilter keys;
};

Application::Application(int& argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv)) {}
Application::~Application() {
    delete signalNotifier;
    signalNotifier = nullptr;
}

void catchTerminationSignals() {
    if (signalPipe[0] >= 0) {
        return;
    }
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // A parent may start us with the signals blocked; from here on they are handled.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(signalNotifier, &QSocketNotifier::activated, [] { drainSignals(); });
}

namespace {
std::string& languageChosen() {
    static std::string language;
    return language;
}
}  // namespace

const std::string& userLanguage() {
    return languageChosen();
}

void setUserLanguage(const std::string& language) {
    languageChosen() = language;
    // Qt's own texts (the OK of a message box, the file dialog) in the same language.
    static QTranslator* translator = nullptr;
    if (translator != nullptr) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (language.empty() || language == "en" || QCoreApplication::instance() == nullptr) {
        return;
    }
    auto* candidate = new QTranslator(qApp);
    if (candidate->load(QLocale(QString::fromStdString(language)), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(candidate);
        translator = candidate;
    } else {
        delete candidate;
    }
}

void setTerminationHandler(void (*handler)(void*), void* context) {
    terminationHandler = handler;
    terminationContext = context;
    if (signalNotifier != nullptr && handler != nullptr) {
        signalNotifier->setEnabled(true);
    }
}

}  // namespace ui
