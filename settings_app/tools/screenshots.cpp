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
#include "dialogs/printer_set_dlg.h"
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

void takeNext() {
    if (gExpected.empty()) {
        report(false, "(no name for a window captioned so)");
    } else {
        report(uit::saveActiveModal(gExpected.front()), gExpected.front());
        gExpected.pop_front();
    }
}

// What happens in the Set Printer dialog once it is up, besides its pictures: a list of page
// buttons to press, each bringing a box (which takes its own picture).
struct PagePress {
    int page;
    int id;
};
std::deque<PagePress> gPagePresses;
// How many of its tabs to take pictures of, from the first.
int gSetPrinterTabs = CPrinterSetDlg::kPageCount;

void takeSetPrinter() {
    ui::DialogBase* dialog = uit::findDialog(IDD_PRINTER_SET);
    if (dialog == nullptr) {
        report(false, "(the Set Printer dialog is not there)");
        return;
    }
    // Each page as the operator sees it after clicking its tab.
    for (int tab = 0; tab < gSetPrinterTabs && !gExpected.empty(); ++tab) {
        uit::clickTab(*dialog, IDC_TAB_PRINTER_SET, tab);
        uit::processEvents();
        takeNext();
    }
    while (!gPagePresses.empty()) {
        const PagePress press = gPagePresses.front();
        gPagePresses.pop_front();
        ui::DialogBase* page = uit::findDialog(press.page);
        if (page == nullptr) {
            report(false, "(a page of Set Printer is missing)");
            continue;
        }
        uit::clickTab(*dialog, IDC_TAB_PRINTER_SET, press.page - IDD_PRINT_SETTING);
        uit::processEvents();
        uit::click(*page, press.id);
    }
}

void takeShownWindow(const uit::ShownModal& shown) {
    uit::processEvents();
    if (shown.templateId == IDD_PRINTER_SET) {
        takeSetPrinter();
    } else {
        takeNext();
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

    // Set Printer with each of its pages, then a box from each kind of button: the settings
    // sent, a factory restore, a learning run.
    gExpected = {out + "printer_set_203_print_settings.png", out + "printer_set_203_user.png",
                 out + "printer_set_203_location.png",       out + "printer_set_203_test.png",
                 out + "printer_set_setting_success.png",    out + "printer_set_restore_info.png",
                 out + "printer_set_learn_info.png"};
    gPagePresses = {{IDD_PRINT_SETTING, IDC_BUTTON_PRINT_SETTING_SET},
                    {IDD_USER_DEF, IDC_BUTTON_USER_DEF_SET_DEFAULT},
                    {IDD_LOCATION_TAB, IDC_BUTTON_LACK_PAPER_LEARN}};
    uit::click(dlgMain, IDC_BUTTON_SET_PRINTER);

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

    // Set Printer on that printer: ribbon, black mark, prevent glue on with its time, a negative
    // stop position; and a refusal of a value the printer reported but the page cannot send.
    printer->with([](qv::sim::PrinterEngine& e) { e.state().settings.preventTime = 300; });
    gSetPrinterTabs = 1;
    gExpected = {out + "printer_set_203_print_settings_stored.png",
                 out + "printer_set_refusal.png"};
    gPagePresses = {{IDD_PRINT_SETTING, IDC_BUTTON_PRINT_SETTING_SET}};
    uit::click(dlgMain, IDC_BUTTON_SET_PRINTER);

    // The failure path shows only its error box.
    printer->with([](qv::sim::PrinterEngine& e) { e.faults().absent = true; });
    gExpected = {out + "printer_info_error.png"};
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    // Set Printer without a printer: the page's error box first, then the dialog with defaults.
    gExpected = {out + "printer_set_read_error.png", out + "printer_set_203_defaults.png"};
    uit::click(dlgMain, IDC_BUTTON_SET_PRINTER);

    if (!gExpected.empty()) {
        report(false, gExpected.front() + " (never shown)");
    }
    uit::setModalObserver(nullptr);
    dlgMain.destroyWindow();
    ui::appModule().removeMessageLoop();
    return gOk ? 0 : 1;
}
