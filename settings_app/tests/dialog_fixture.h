// A fresh simulated printer, a fresh link state, and recorded message boxes for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/catalog.h"
#include "device/device.h"
#include "device/simulated_printer.h"
#include "dialogs/main_dlg.h"
#include "link_state.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace test {

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::resetLinkStateForTesting();
        printer_ = std::make_shared<qv::sim::SimulatedPrinter>();
        qv::device::install(printer_);
        ui::testing::setMessageBoxHook(
            [this](const ui::testing::MessageBoxCall& call) { boxes_.push_back(call); });
        ui::testing::clearShownDialogs();
        useLocale("en_US.UTF-8");
    }

    void TearDown() override {
        ui::testing::setMessageBoxHook(nullptr);
        ui::testing::setModalHook(nullptr);
        app::setCatalogFolderForTesting(std::nullopt);
        ui::testing::processEvents();
        qv::device::install(nullptr);
    }

    // The user's locale for the next catalog binding.
    static void useLocale(const char* locale) {
        setenv("LC_ALL", locale, 1);
        unsetenv("LANGUAGE");
    }

    qv::sim::PrinterState& printerState() { return printer_->state(); }
    qv::sim::Faults& printerFaults() { return printer_->faults(); }

    // Command packets the printer received (lead-in included).
    std::vector<qv::sim::Bytes> commandsReceived() {
        std::vector<qv::sim::Bytes> commands;
        for (const auto& r : printer_->received()) {
            commands.push_back(r.bytes);
        }
        return commands;
    }

    std::shared_ptr<qv::sim::SimulatedPrinter> printer_;
    std::vector<ui::testing::MessageBoxCall> boxes_;
};

// The main dialog as the program runs it: registered with the message loop, shown, and the
// place every other dialog is opened from, by its button, with the main dialog as owner.
class MainDialogHost {
  public:
    MainDialogHost() {
        ui::appModule().addMessageLoop(&loop_);
        dialog_ = std::make_unique<CMainDlg>();
        EXPECT_NE(dialog_->create(nullptr), nullptr);
        dialog_->showWindow(ui::SW_SHOWNORMAL);
        ui::testing::processEvents();
    }
    ~MainDialogHost() {
        dialog_.reset();
        ui::appModule().removeMessageLoop();
    }
    MainDialogHost(const MainDialogHost&) = delete;
    MainDialogHost& operator=(const MainDialogHost&) = delete;

    CMainDlg& dialog() { return *dialog_; }
    // Presses a button of the main dialog as the user does.
    bool press(int id) { return ui::testing::click(*dialog_, id); }

  private:
    ui::MessageLoop loop_;
    std::unique_ptr<CMainDlg> dialog_;
};

// True when the window and every control of the dialog take input.
inline bool wholeDialogEnabled(ui::DialogBase& dialog, int firstId, int lastId) {
    if (!ui::isWindowEnabled(dialog.hwnd())) {
        return false;
    }
    for (int id = firstId; id <= lastId; ++id) {
        if (ui::HWND item = dialog.getDlgItem(id); item != nullptr && !ui::isWindowEnabled(item)) {
            return false;
        }
    }
    return true;
}

inline std::u16string u16(const char* utf8) {
    std::u16string out;
    // Test texts are ASCII or come from the catalogs as UTF-8.
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0;) {
        char32_t c = *p;
        int extra = 0;
        if (c >= 0xF0) {
            c &= 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            c &= 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            c &= 0x1F;
            extra = 1;
        }
        ++p;
        for (int i = 0; i < extra && *p != 0; ++i, ++p) {
            c = (c << 6) | (*p & 0x3F);
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

}  // namespace test
