// Renders every dialog of the program, and the message boxes they show, to PNG files in the
// folder given as the only argument. The dialogs open as in the program, from their buttons
// with their real owners, and are closed by a key as a user would. Run it under the language to
// be judged, e.g. LC_ALL=zh_CN.UTF-8 settings_app_screenshots out/zh_CN (see the
// app_screenshots target).
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "device/simulated_printer.h"
#include "dialogs/main_dlg.h"
#include "dialogs/printer_set_dlg.h"
#include "text/codepage.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace uit = ui::testing;

namespace {

bool gOk = true;

void report(bool ok, const std::string& path) {
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
    gOk = gOk && ok;
}

// A picture still to take, and what the user does in the window after it was taken (before
// the window is closed).
struct Shot {
    Shot(std::string p, std::function<void()> t = {}, ui::WPARAM key = 0)
        : path(std::move(p)), then(std::move(t)), closeKey(key) {}
    std::string path;
    std::function<void()> then;
    ui::WPARAM closeKey;  // 0: Escape for a dialog, Enter for a box
};

// The pictures still to take, in the order the windows will appear.
std::deque<Shot> gExpected;

// Takes the next picture of the window on top, with what the user does there afterwards.
void takeNext() {
    if (gExpected.empty()) {
        report(false, "(no name for a window captioned so)");
        return;
    }
    const Shot shot = gExpected.front();
    gExpected.pop_front();
    report(uit::saveActiveModal(shot.path), shot.path);
    if (shot.then) {
        shot.then();
    }
}

// What happens in the Set Printer dialog once it is up, besides its pictures: page buttons to
// press, each bringing a box or a dialog (which take their own pictures).
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
        uit::pressKeyInActiveModal(ui::VK_ESCAPE);
        return;
    }
    if (gExpected.empty()) {
        report(false, "(no name for a window captioned so)");
    } else {
        const Shot shot = gExpected.front();
        gExpected.pop_front();
        report(uit::saveActiveModal(shot.path), shot.path);
        if (shot.then) {
            shot.then();
        }
        if (shot.closeKey != 0) {
            uit::pressKeyInActiveModal(shot.closeKey);
            return;
        }
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

    gExpected = {{out + "main_connection_test_info.png"}};
    uit::click(dlgMain, IDC_BUTTON_CONNECT_TEST);

    gExpected = {{out + "printer_info_209.png"}};
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    // Set Printer with each of its pages, then what each kind of button brings: the settings
    // sent, a factory restore, a learning run, a dump-mode change, and the text test dialog
    // opened from the test page (as opened, a text of two lines printed, a refused size).
    gExpected = {{out + "printer_set_203_print_settings.png"},
                 {out + "printer_set_203_user.png"},
                 {out + "printer_set_203_location.png"},
                 {out + "printer_set_203_test.png"},
                 {out + "printer_set_setting_success.png"},
                 {out + "printer_set_restore_info.png"},
                 {out + "printer_set_learn_info.png"},
                 {out + "test_page_dump_mode_info.png"},
                 {out + "text_test_208.png",
                  [&out] {
                      ui::DialogBase* dialog = uit::findDialog(IDD_TEXT_TEST);
                      if (dialog == nullptr) {
                          return;
                      }
                      uit::typeText(*dialog, IDC_TEXT_TEST_EDIT_TEXT, u"QV-410\nLine two");
                      uit::typeText(*dialog, IDC_TEXT_TEST_EDIT_WIDTH, u"60");
                      uit::processEvents();
                      report(uit::saveActiveModal(out + "text_test_208_typed.png"),
                             out + "text_test_208_typed.png");
                      uit::click(*dialog, IDC_TEXT_TEST_BUTTON_PRINT);
                      uit::typeText(*dialog, IDC_TEXT_TEST_EDIT_HEIGHT, u"300");
                      uit::click(*dialog, IDC_TEXT_TEST_BUTTON_PRINT);
                  }},
                 {out + "text_test_print_info.png"},
                 {out + "text_test_refused_error.png"}};
    gPagePresses = {{IDD_PRINT_SETTING, IDC_BUTTON_PRINT_SETTING_SET},
                    {IDD_USER_DEF, IDC_BUTTON_USER_DEF_SET_DEFAULT},
                    {IDD_LOCATION_TAB, IDC_BUTTON_LACK_PAPER_LEARN},
                    {IDD_TEST_TAB, IDC_TEST_BUTTON_DUMP_MODE_SET},
                    {IDD_TEST_TAB, IDC_TEST_BUTTON_PRINT_TEXT_TEST}};
    uit::click(dlgMain, IDC_BUTTON_SET_PRINTER);

    // Download: as opened, with a file chosen, and the answer to Update.
    const std::filesystem::path firmware =
        std::filesystem::temp_directory_path() / "QV-410_V1.06_2026-01-15.bin";
    std::ofstream(firmware, std::ios::binary) << std::string(4096, '\x5A');
    gExpected = {
        {out + "download_201.png",
         [&out, &firmware] {
             ui::DialogBase* page = uit::findDialog(IDD_PROGRAM_TAB);
             if (page == nullptr) {
                 report(false, out + "download_201_chosen.png (no firmware page)");
                 return;
             }
             // The real open-file dialog, cancelled; then a file chosen.
             gExpected.push_front({out + "download_open_file.png", {}, ui::VK_ESCAPE});
             uit::click(*page, IDC_PROGRAM_BUTTON_OPEN);
             uit::setOpenFileHook([&firmware](const uit::OpenFileCall&) {
                 return std::optional<std::u16string>(qv::text::fromUtf8(firmware.string()));
             });
             uit::click(*page, IDC_PROGRAM_BUTTON_OPEN);
             uit::processEvents();
             report(uit::saveActiveModal(out + "download_201_chosen.png"),
                    out + "download_201_chosen.png");
             uit::click(*page, IDC_PROGRAM_BUTTON_UPDATE);
         }},
        {out + "download_update_info.png"}};
    uit::click(dlgMain, IDC_BUTTON_MAIN_DOWNLOAD);
    uit::setOpenFileHook(nullptr);
    std::filesystem::remove(firmware);

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
    gExpected = {{out + "printer_info_209_paused.png"}};
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);

    // Set Printer on that printer: ribbon, black mark, prevent glue on with its time, a negative
    // stop position; and a refusal of a value the printer reported but the page cannot send.
    printer->with([](qv::sim::PrinterEngine& e) { e.state().settings.preventTime = 300; });
    gSetPrinterTabs = 1;
    gExpected = {{out + "printer_set_203_print_settings_stored.png"},
                 {out + "printer_set_refusal.png"}};
    gPagePresses = {{IDD_PRINT_SETTING, IDC_BUTTON_PRINT_SETTING_SET}};
    uit::click(dlgMain, IDC_BUTTON_SET_PRINTER);

    // The failure paths: the information dialog shows only its error box; Set Printer shows
    // the page's error box first, then the dialog with its defaults.
    printer->with([](qv::sim::PrinterEngine& e) { e.faults().absent = true; });
    gExpected = {{out + "printer_info_error.png"}};
    uit::click(dlgMain, IDC_BUTTON_SHOW_PRINTER_INFO);
    gExpected = {{out + "printer_set_read_error.png"}, {out + "printer_set_203_defaults.png"}};
    uit::click(dlgMain, IDC_BUTTON_SET_PRINTER);

    if (!gExpected.empty()) {
        report(false, gExpected.front().path + " (never shown)");
    }
    uit::setModalObserver(nullptr);
    dlgMain.destroyWindow();
    ui::appModule().removeMessageLoop();
    return gOk ? 0 : 1;
}
