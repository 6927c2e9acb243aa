// The dialog layer on its own, with templates of its own: message-map order, keyboard
// handling, modal runs, background brushes, and the list and tab controls later dialogs use.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/testing.h"

namespace {

using namespace ui;
namespace uit = ui::testing;

// clang-format off
constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr ControlTemplate kProbeControls[] = {
    {10, ControlClass::button, {10, 10, 50, 14}, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, u"Apply"},
    {11, ControlClass::button, {70, 10, 50, 14}, kChild | WS_TABSTOP, u"Other"},
    {12, ControlClass::staticText, {10, 32, 60, 8}, kChild, u"Width:"},
    {13, ControlClass::edit, {80, 30, 40, 14}, kChild | WS_TABSTOP | WS_BORDER, u"50"},
    {20, ControlClass::comboBox, {10, 50, 60, 40}, kChild | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT, u""},
    {21, ControlClass::comboBox, {80, 50, 60, 40}, kChild | WS_TABSTOP | CBS_DROPDOWNLIST, u""},
    {30, ControlClass::tabControl, {10, 70, 180, 60}, kChild, u""},
};
constexpr DialogTemplate kProbe{9001, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 200, 140, u"Probe", u"MS Shell Dlg", 8, kProbeControls};
constexpr DialogTemplate kOwner{9002, WS_CAPTION | WS_SYSMENU, 400, 300, u"Owner", u"MS Shell Dlg", 8, {}};
// clang-format on

// Records what its message map saw.
class ProbeDlg : public DialogBase {
  public:
    explicit ProbeDlg(int templateId = 9001) : DialogBase(templateId) {}
    std::vector<std::string> log;
    HBRUSH brush = nullptr;
    bool endInInit = false;

  protected:
    bool processWindowMessage(const Message& m, LRESULT& result) override {
        return dispatchMessageMap<ProbeDlg>(*this, kMap, m, result);
    }

  private:
    LRESULT onInit(const Message&) {
        log.emplace_back("init");
        if (endInInit) {
            endDialog(7);
        }
        return 1;
    }
    LRESULT onColor(const Message&) { return reinterpret_cast<LRESULT>(brush); }
    LRESULT onEnd(const Message& m) {
        endDialog(m.id);
        return 0;
    }
    LRESULT onApplyClicked(const Message&) {
        log.emplace_back("apply clicked");
        return 0;
    }
    LRESULT onApplyOther(const Message& m) {
        log.push_back("apply code " + std::to_string(m.code));
        return 0;
    }
    LRESULT onOtherClicked(const Message&) {
        log.emplace_back("other clicked");
        return 0;
    }
    LRESULT onTabChange(const Message&) {
        log.push_back("tab " + std::to_string(TabCtrl(getDlgItem(30)).getCurSel()));
        return 0;
    }

    static constexpr MessageEntry<ProbeDlg> kMap[] = {
        {WM_INITDIALOG, kAny, kAny, &ProbeDlg::onInit},
        {WM_CTLCOLORDLG, kAny, kAny, &ProbeDlg::onColor},
        {WM_COMMAND, IDOK, kAny, &ProbeDlg::onEnd},
        {WM_COMMAND, IDCANCEL, kAny, &ProbeDlg::onEnd},
        {WM_COMMAND, 10, BN_CLICKED, &ProbeDlg::onApplyClicked},
        {WM_COMMAND, 10, kAny, &ProbeDlg::onApplyOther},
        {WM_COMMAND, 11, BN_CLICKED, &ProbeDlg::onOtherClicked},
        {WM_NOTIFY, 30, TCN_SELCHANGE, &ProbeDlg::onTabChange},
    };
};

class OwnerDlg : public DialogBase {
  public:
    OwnerDlg() : DialogBase(9002) {}

  protected:
    bool processWindowMessage(const Message&, LRESULT&) override { return false; }
};

class DialogLayerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        uit::addDialogTemplate(kProbe);
        uit::addDialogTemplate(kOwner);
    }
    void TearDown() override {
        uit::setModalHook(nullptr);
        uit::processEvents();
    }
    // Runs the probe modally and hands it to inspect while it is shown.
    LRESULT runProbe(ProbeDlg& dlg, const std::function<void(ProbeDlg&)>& inspect,
                     HWND parent = nullptr) {
        uit::setModalHook([&](DialogBase&) { inspect(dlg); });
        return dlg.doModal(parent);
    }
};

TEST_F(DialogLayerTest, MessageMap_FirstMatchingEntryHandlesTheMessage) {
    ProbeDlg dlg;
    runProbe(dlg, [](ProbeDlg& d) {
        d.sendMessage(WM_COMMAND, makeWParam(10, BN_CLICKED), 0);
        d.sendMessage(WM_COMMAND, makeWParam(10, 5), 0);
        // A button handler is for BN_CLICKED only.
        d.sendMessage(WM_COMMAND, makeWParam(11, 5), 0);
        uit::click(d, 11);
    });
    EXPECT_EQ(dlg.log,
              (std::vector<std::string>{"init", "apply clicked", "apply code 5", "other clicked"}));
}

TEST_F(DialogLayerTest, Enter_PressesTheDefaultButtonUnlessAnotherButtonHasTheFocus) {
    ProbeDlg dlg;
    const LRESULT result = runProbe(dlg, [](ProbeDlg& d) {
        // The default focus went to the first tab stop, the default button itself.
        uit::pressKey(d, VK_RETURN);
        uit::pressKey(d, VK_ESCAPE);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "apply clicked"), 1);
}

TEST_F(DialogLayerTest, EndedDuringInitialisation_IsNeverShown) {
    ProbeDlg dlg;
    dlg.endInInit = true;
    uit::clearShownDialogs();
    bool ran = false;
    EXPECT_EQ(runProbe(dlg, [&ran](ProbeDlg&) { ran = true; }), 7);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(uit::shownDialogs().empty());
    EXPECT_EQ(dlg.hwnd(), nullptr);
}

TEST_F(DialogLayerTest, ModalRun_DisablesItsOwnerAndCentresOverIt) {
    OwnerDlg owner;
    ASSERT_NE(owner.create(nullptr), nullptr);
    owner.showWindow(SW_SHOWNORMAL);
    ProbeDlg dlg;
    bool ownerEnabled = true;
    RECT probe{};
    runProbe(
        dlg,
        [&](ProbeDlg& d) {
            d.centerWindow();
            ownerEnabled = isWindowEnabled(owner.hwnd());
            probe = uit::screenRect(d.hwnd());
        },
        owner.hwnd());
    const RECT o = uit::screenRect(owner.hwnd());
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(isWindowEnabled(owner.hwnd()));
    EXPECT_NEAR((probe.left + probe.right) / 2.0, (o.left + o.right) / 2.0, 2);
    EXPECT_NEAR((probe.top + probe.bottom) / 2.0, (o.top + o.bottom) / 2.0, 2);
}

TEST_F(DialogLayerTest, BrushFromCtlColorDlg_PaintsTheBackground) {
    ProbeDlg painted;
    painted.brush = createSolidBrush(rgb(176, 224, 230));
    COLORREF seen = 0;
    runProbe(painted, [&seen](ProbeDlg& d) { seen = uit::backgroundColor(d.hwnd()); });
    EXPECT_EQ(seen, rgb(176, 224, 230));
    deleteBrush(painted.brush);

    ProbeDlg plain;
    runProbe(plain, [&seen](ProbeDlg& d) { seen = uit::backgroundColor(d.hwnd()); });
    EXPECT_NE(seen, rgb(176, 224, 230));
}

TEST_F(DialogLayerTest, FieldIsNamedByTheLabelBesideIt) {
    ProbeDlg dlg;
    std::u16string name;
    runProbe(dlg, [&name](ProbeDlg& d) { name = uit::accessibleName(d.getDlgItem(13)); });
    EXPECT_EQ(name, u"Width:");
}

TEST_F(DialogLayerTest, ComboBoxes_SortedOnesPlaceEntriesInOrder) {
    ProbeDlg dlg;
    runProbe(dlg, [](ProbeDlg& d) {
        ComboBox sorted(d.getDlgItem(20));
        EXPECT_EQ(sorted.addString(u"Enable"), 0);
        EXPECT_EQ(sorted.addString(u"Disable"), 0);
        EXPECT_EQ(sorted.getCurSel(), -1) << "adding selects nothing";
        EXPECT_EQ(sorted.setCurSel(1), 1);
        EXPECT_EQ(d.getDlgItemText(20), u"");  // combo text is not a window text here
        ComboBox plain(d.getDlgItem(21));
        plain.addString(u"Enable");
        plain.addString(u"Disable");
        plain.setCurSel(0);
        EXPECT_EQ(plain.getCurSel(), 0);
        EXPECT_EQ(plain.setCurSel(5), -1);
        EXPECT_EQ(plain.getCurSel(), -1);
        EXPECT_TRUE(uit::chooseListEntry(d, 21, 1));
        EXPECT_EQ(plain.getCurSel(), 1);
    });
}

TEST_F(DialogLayerTest, TabControl_OnlyTheUsersSelectionNotifies) {
    ProbeDlg dlg;
    runProbe(dlg, [](ProbeDlg& d) {
        TabCtrl tabs(d.getDlgItem(30));
        EXPECT_EQ(tabs.insertItem(0, u"Print"), 0);
        EXPECT_EQ(tabs.insertItem(1, u"User"), 1);
        EXPECT_EQ(tabs.getItemCount(), 2);
        EXPECT_EQ(tabs.setCurSel(1), 0);
        EXPECT_EQ(tabs.setCurSel(4), -1);
        EXPECT_TRUE(uit::clickTab(d, 30, 0));
    });
    EXPECT_EQ(dlg.log.back(), "tab 0");
    EXPECT_EQ(std::count_if(dlg.log.begin(), dlg.log.end(),
                            [](const std::string& s) { return s.rfind("tab", 0) == 0; }),
              1);
}

TEST_F(DialogLayerTest, TypedTextReachesTheFieldAndNotifiesTheDialog) {
    ProbeDlg dlg;
    std::u16string typed;
    runProbe(dlg, [&typed](ProbeDlg& d) {
        EXPECT_TRUE(uit::typeText(d, 13, u"120"));
        typed = d.getDlgItemText(13);
    });
    EXPECT_EQ(typed, u"120");
}

}  // namespace
