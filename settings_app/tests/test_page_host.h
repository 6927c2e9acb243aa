// The test page as the operator reaches it: the Set Printer dialog opened from the main dialog's
// button, its fourth tab clicked. What the dialog's other pages read while it opened (the print
// settings) is checked to be only reads and then forgotten, so a test sees the test page's own
// traffic.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "dialog_fixture.h"
#include "dialogs/test_tab_dlg.h"
#include "resource_ids.h"
#include "ui/dialog.h"
#include "ui/testing.h"

namespace test {

class TestPageHost {
  public:
    static constexpr int IDD = IDD_PRINTER_SET;
    static constexpr int kTestTab = 3;

    explicit TestPageHost(ui::DialogBase& dialog) : dialog_(dialog) {}

    ui::DialogBase& dialog() { return dialog_; }
    CTestTabDlg& page() {
        auto* page = dynamic_cast<CTestTabDlg*>(ui::testing::findDialog(IDD_TEST_TAB));
        EXPECT_NE(page, nullptr);
        return *page;
    }

    // Opens Set Printer from the main dialog, shows the test page and runs f while it is shown.
    static void run(MainDialogHost& main, qv::sim::SimulatedPrinter& printer,
                    const std::function<void(TestPageHost&)>& f) {
        const std::size_t before = printer.received().size();
        ui::testing::setModalHook([&printer, &f, before](ui::DialogBase& dialog) {
            // The user works in the dialog once it has come up.
            ui::testing::processEvents();
            const auto received = printer.received();
            for (std::size_t i = before; i < received.size(); ++i) {
                ASSERT_GE(received[i].bytes.size(), 4U);
                // Only the print settings page's reads: the version and settings queries.
                EXPECT_TRUE(received[i].bytes[3] == 0x04 || received[i].bytes[3] == 0x05)
                    << int{received[i].bytes[3]};
            }
            // A test's first opening starts from an empty log; a later one keeps what the
            // earlier ones sent.
            if (before == 0) {
                printer.clearReceived();
            }
            ASSERT_TRUE(ui::testing::clickTab(dialog, IDC_TAB_PRINTER_SET, kTestTab));
            ui::testing::processEvents();
            TestPageHost host(dialog);
            f(host);
        });
        EXPECT_TRUE(main.press(IDC_BUTTON_SET_PRINTER));
        ui::testing::setModalHook(nullptr);
    }

  private:
    ui::DialogBase& dialog_;
};

}  // namespace test
