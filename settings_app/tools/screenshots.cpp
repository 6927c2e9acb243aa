// Renders every dialog of the program, and the message boxes they show, to PNG files in the
// folder given as the only argument. The dialogs open as in the program, from their buttons
// with their real owners, and are closed by a key as a user would. Run it under the language to
// be judged, e.g. LC_ALL=zh_CN.UTF-8 settings_app_screenshots out/zh_CN (see the
// app_screenshots target).
#include <cstdio>
#include <deque>
#include <string>

#include "device/simulated_printer.h"
#include "dialogs/main_dlg.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace uit = ui::testing;

namespace {

bool gOk = true;

void report(bool ok, const std::string& path) {
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
    gOk = gOk && ok;
}

// The pictures still to take, in the order the windows will appear.
std::deque<std::string> gExpected;

void takeShownWindow(const uit::ShownModal& shown) {
    uit::processEvents();
    if (gExpected.empty()) {
        report(false, "(no name for a window captioned so)");
    } else {
        report(uit::saveActiveModal(gExpected.front()), gExpected.front());
        gExpected.pop_front();
    }
    // A dialog closes with Escape, a box with Enter, as a user would close them.
    uit::pressKeyInActiveModal(shown.templateId != 0 ? ui::VK_ESCAPE : ui::VK_RETURN);
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
    uit::setModalObserver(takeShownWindow);

    CMainDlg dlgMain;
    if (dlgMain.create(nullptr) == nullptr) {
        std::fprintf(stderr, "the main dialog cannot be created\n");
        return 1;
    }
    dlgMain.showWindow(ui::SW_SHOWNORMAL);
    uit::processEvents();
    report(uit::saveScreenshot(dlgMain.hwnd(), out + "main_129.png"), out + "main_129.png");

    gExpected = {out + "main_connection_test_info.png"};
    uit::click(dlgMain, IDC_BUTTON_CONNECT_TEST);

    gExpected = {out + "printer_info_209.png"};
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
    gExpected = {out + "printer_info_209_paused.png"};
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    // The failure path shows only its error box.
    printer->with([](qv::sim::PrinterEngine& e) { e.faults().absent = true; });
    gExpected = {out + "printer_info_error.png"};
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    if (!gExpected.empty()) {
        report(false, gExpected.front() + " (never shown)");
    }
    uit::setModalObserver(nullptr);
    dlgMain.destroyWindow();
    ui::appModule().removeMessageLoop();
    return gOk ? 0 : 1;
}
