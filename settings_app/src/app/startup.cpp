#include "app/startup.h"

#include <cstdlib>
#include <cstring>

#include "dialogs/main_dlg.h"
#include "ui/message_loop.h"

namespace app {

namespace {

// A termination request closes the main dialog as its close box would.
void closeMainDialog(void* context) {
    auto* dialog = static_cast<CMainDlg*>(context);
    if (dialog->hwnd() != nullptr) {
        dialog->sendMessage(ui::WM_COMMAND, ui::makeWParam(ui::IDCANCEL, ui::BN_CLICKED), 0);
    }
}

}  // namespace

int startupShowCommand() {
    const char* show = std::getenv("QV410_SHOW");
    if (show != nullptr && std::strcmp(show, "minimized") == 0) {
        return ui::SW_SHOWMINIMIZED;
    }
    return ui::SW_SHOWDEFAULT;
}

int run(int showCommand) {
    ui::MessageLoop loop;
    ui::appModule().addMessageLoop(&loop);

    CMainDlg dlgMain;
    if (dlgMain.create(nullptr) == nullptr) {
        ui::appModule().removeMessageLoop();
        return 0;
    }
    ui::setTerminationHandler(closeMainDialog, &dlgMain);
    // The template is not visible; this is what shows the dialog.
    dlgMain.showWindow(showCommand);

    const int result = loop.run();

    ui::setTerminationHandler(nullptr, nullptr);
    ui::appModule().removeMessageLoop();
    return result;
}

int winMain(int argc, char** argv) {
    // The Qt application stands in for COM, the common controls and the Rich Edit library.
    ui::Application application(argc, argv);
    ui::catchTerminationSignals();
    ui::initCommonControls();
    ui::appModule().init();
    ui::loadRichEditLibrary();

    const int exitCode = run(startupShowCommand());

    ui::appModule().term();
    return exitCode;
}

}  // namespace app
