// Renders every dialog of the program, and the message boxes they show, to PNG files in the
// folder given as the only argument. Run it under the language to be judged, e.g.
// LC_ALL=zh_CN.UTF-8 settings_app_screenshots out/zh_CN (see the app_screenshots target).
#include <cstdio>
#include <string>

#include "device/simulated_printer.h"
#include "dialogs/main_dlg.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace uit = ui::testing;

namespace {

bool save(ui::HWND window, const std::string& path) {
    uit::processEvents();
    const bool ok = uit::saveScreenshot(window, path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string out = std::string(argv[1]) + "/";
    ui::Application application(argc, argv);
    ui::initCommonControls();
    ui::appModule().init();
    ui::loadRichEditLibrary();
    ui::MessageLoop loop;
    ui::appModule().addMessageLoop(&loop);
    auto printer = qv::sim::processSimulator();
    qv::device::install(printer);

    bool ok = true;
    CMainDlg dlgMain;
    if (dlgMain.create(nullptr) == nullptr) {
        std::fprintf(stderr, "the main dialog cannot be created\n");
        return 1;
    }
    dlgMain.showWindow(ui::SW_SHOWNORMAL);
    ok &= save(dlgMain.hwnd(), out + "main_129.png");

    uit::setMessageBoxScreenshot(out + "main_connection_test_info.png");
    uit::click(dlgMain, IDC_BUTTON_CONNECT_TEST);

    uit::setModalHook(
        [&](ui::DialogBase& dlg) { ok &= save(dlg.hwnd(), out + "printer_info_209.png"); });
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    // A printer with more to say: paused, ribbon, black-mark paper, negative stop position.
    printer->with([](qv::sim::PrinterEngine& e) {
        e.state().status = 0x48;
        e.state().printedLength = 987654;
        e.state().settings.printType = 1;
        e.state().settings.paperType = 2;
        e.state().settings.printToStop = -12;
        e.state().settings.preventSticker = 1;
        e.state().settings.preventTime = 255;
    });
    uit::setModalHook(
        [&](ui::DialogBase& dlg) { ok &= save(dlg.hwnd(), out + "printer_info_209_paused.png"); });
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    // The failure path shows only its error box.
    printer->with([](qv::sim::PrinterEngine& e) { e.faults().absent = true; });
    uit::setMessageBoxScreenshot(out + "printer_info_error.png");
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);
    uit::setMessageBoxScreenshot({});
    uit::setModalHook(nullptr);

    dlgMain.destroyWindow();
    ui::appModule().removeMessageLoop();
    return ok ? 0 : 1;
}
