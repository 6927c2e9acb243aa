// Stands in for the Set Printer dialog around the test page: a modal dialog whose tab control
// hosts the page as its child, placed below the tab headers and shown, as the tabbed dialogs do.
#pragma once

#include <array>
#include <functional>

#include "dialogs/test_tab_dlg.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/testing.h"

namespace test {

class TestPageHost final : public ui::DialogBase {
  public:
    static constexpr int IDD = 9203;
    static constexpr int kTabControlId = 1011;

    TestPageHost() : DialogBase(IDD) { registerTemplate(); }

    CTestTabDlg& page() { return page_; }

    // Opens the host over owner and runs f while it is shown, with the page on top.
    static void run(ui::HWND owner, const std::function<void(TestPageHost&)>& f) {
        TestPageHost host;
        ui::testing::setModalHook([&host, &f](ui::DialogBase&) {
            // The user works in the host once it has come up.
            ui::testing::processEvents();
            f(host);
        });
        host.doModal(owner);
        ui::testing::setModalHook(nullptr);
    }

  protected:
    bool processWindowMessage(const ui::Message& message, ui::LRESULT& result) override {
        if (message.message == ui::WM_INITDIALOG) {
            result = onInitDialog();
            return true;
        }
        if (message.message == ui::WM_COMMAND &&
            (message.id == ui::IDOK || message.id == ui::IDCANCEL)) {
            endDialog(message.id);
            return true;
        }
        return false;
    }

  private:
    ui::LRESULT onInitDialog() {
        tabs_.attach(getDlgItem(kTabControlId));
        tabs_.insertItem(0, u"Test");
        page_.create(tabs_.handle());
        ui::RECT area{};
        tabs_.getClientRect(area);
        area.top += ui::kTabHeaderHeight;
        ui::WindowWrapper page(page_.hwnd());
        page.moveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top);
        tabs_.setCurSel(0);
        page.showWindow(ui::SW_SHOW);
        return 1;
    }

    static void registerTemplate() {
        static constexpr std::array<ui::ControlTemplate, 1> kControls{{
            {kTabControlId,
             ui::ControlClass::tabControl,
             {17, 14, 371, 241},
             ui::WS_CHILD | ui::WS_VISIBLE,
             u""},
        }};
        static constexpr ui::DialogTemplate kTemplate{
            IDD,    ui::WS_POPUP | ui::WS_CAPTION | ui::WS_SYSMENU | ui::DS_MODALFRAME,
            401,    270,
            u"Set", u"MS Shell Dlg",
            8,      kControls};
        static const bool added = [] {
            ui::testing::addDialogTemplate(kTemplate);
            return true;
        }();
        (void)added;
    }

    ui::TabCtrl tabs_;
    CTestTabDlg page_;
};

}  // namespace test
