// The dialog layer on its own, with templates of its own: message-map order, keyboard
// handling, modal runs, background brushes, and the list and tab controls later dialogs use.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "test_platform.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"
#include "ui/message_loop.h"
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
        EXPECT_EQ(d.getDlgItemText(20), u"Enable") << "a drop-down list's text is its choice";
        ComboBox plain(d.getDlgItem(21));
        plain.addString(u"Enable");
        plain.addString(u"Disable");
        plain.setCurSel(0);
        EXPECT_EQ(plain.getCurSel(), 0);
        EXPECT_EQ(plain.setCurSel(5), -1);
        EXPECT_EQ(plain.getCurSel(), -1);
        EXPECT_EQ(d.getDlgItemText(21), u"") << "no choice, no text";
        EXPECT_TRUE(uit::chooseListEntry(d, 21, 1));
        EXPECT_EQ(plain.getCurSel(), 1);
    });
}

TEST_F(DialogLayerTest, OpenDropDownTakesEscapeForItself) {
    ProbeDlg dlg;
    bool closedList = false;
    const LRESULT result = runProbe(dlg, [&closedList](ProbeDlg& d) {
        ComboBox(d.getDlgItem(21)).addString(u"Enable");
        ComboBox(d.getDlgItem(21)).addString(u"Disable");
        ASSERT_TRUE(uit::openDropDown(d, 21));
        uit::pressKey(d, VK_ESCAPE);
        closedList = !uit::dropDownOpen(d, 21);
        d.endDialog(6);
    });
    EXPECT_TRUE(closedList);
    EXPECT_EQ(result, 6) << "Escape in the open list cancelled the dialog";
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

namespace {

using namespace ui;
namespace uit = ui::testing;

// A tabbed dialog with one page inside its tab control, as the tabbed dialogs host theirs.
// clang-format off
constexpr ControlTemplate kHostControls[] = {
    {50, ControlClass::tabControl, {10, 10, 220, 120}, WS_CHILD | WS_VISIBLE, u""},
};
constexpr DialogTemplate kHost{9003, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 240, 140, u"Host", u"MS Shell Dlg", 8, kHostControls};
constexpr ControlTemplate kPageControls[] = {
    {41, ControlClass::staticText, {5, 7, 40, 8}, WS_CHILD | WS_VISIBLE, u"Height:"},
    {40, ControlClass::richEdit, {50, 5, 40, 12}, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, u"30"},
    {42, ControlClass::button, {100, 5, 50, 14}, WS_CHILD | WS_VISIBLE | WS_TABSTOP, u"Set"},
    {43, ControlClass::edit, {5, 25, 100, 40}, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_WANTRETURN | ES_AUTOHSCROLL, u""},
};
constexpr DialogTemplate kPage{9004, WS_CHILD | WS_SYSMENU | DS_CONTROL, 200, 90, u"", u"MS Shell Dlg", 8, kPageControls};
// clang-format on

class PageDlg : public DialogBase {
  public:
    PageDlg() : DialogBase(9004) {}
    std::vector<std::string>* log = nullptr;

  protected:
    bool processWindowMessage(const Message& m, LRESULT& result) override {
        if (m.message == WM_COMMAND && m.id == 42 && m.code == BN_CLICKED) {
            log->emplace_back("page set");
            result = 0;
            return true;
        }
        if (m.message == WM_COMMAND && (m.id == IDOK || m.id == IDCANCEL)) {
            log->push_back("page end " + std::to_string(m.id));
            result = 0;
            return true;
        }
        return false;
    }
};

class HostDlg : public DialogBase {
  public:
    HostDlg() : DialogBase(9003) {}
    PageDlg page;
    std::vector<std::string> log;
    bool vetoTabChange = false;
    bool pageVisibleAtEnd = false;

  protected:
    bool processWindowMessage(const Message& m, LRESULT& result) override {
        result = 0;
        switch (m.message) {
            case WM_INITDIALOG: {
                TabCtrl tabs(getDlgItem(50));
                tabs.insertItem(0, u"First");
                tabs.insertItem(1, u"Second");
                page.log = &log;
                HWND pageWindow = page.create(tabs.handle());
                log.push_back(isWindowVisible(pageWindow) ? "created visible" : "created hidden");
                RECT r{};
                tabs.getClientRect(r);
                r.top += kTabHeaderHeight;
                WindowWrapper(pageWindow)
                    .moveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top);
                WindowWrapper(pageWindow).showWindow(SW_SHOW);
                result = 1;
                return true;
            }
            case WM_COMMAND:
                if (m.id == IDOK || m.id == IDCANCEL) {
                    pageVisibleAtEnd = isWindowVisible(page.hwnd());
                    log.push_back("end " + std::to_string(m.id));
                    endDialog(m.id);
                    return true;
                }
                return false;
            case WM_NOTIFY:
                if (m.id == 50 && m.code == TCN_SELCHANGING) {
                    log.emplace_back("changing");
                    result = vetoTabChange ? 1 : 0;
                    return true;
                }
                if (m.id == 50 && m.code == TCN_SELCHANGE) {
                    log.push_back("tab " + std::to_string(TabCtrl(getDlgItem(50)).getCurSel()));
                    return true;
                }
                return false;
            default:
                return false;
        }
    }
};

class TabbedDialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        uit::addDialogTemplate(kHost);
        uit::addDialogTemplate(kPage);
    }
    void TearDown() override {
        uit::setModalHook(nullptr);
        uit::processEvents();
    }
    LRESULT run(HostDlg& dlg, const std::function<void(HostDlg&)>& inspect) {
        uit::setModalHook([&](DialogBase&) { inspect(dlg); });
        return dlg.doModal(nullptr);
    }
};

TEST_F(TabbedDialogTest, PageStartsHiddenAndTakesTheRectangleBelowTheHeaders) {
    HostDlg dlg;
    RECT page{};
    RECT tabs{};
    bool labelled = false;
    run(dlg, [&](HostDlg& d) {
        page = uit::screenRect(d.page.hwnd());
        tabs = uit::screenRect(d.getDlgItem(50));
        labelled = uit::accessibleName(d.page.getDlgItem(40)) == u"Height:";
    });
    EXPECT_EQ(dlg.log.front(), "created hidden");
    EXPECT_EQ(page.top - tabs.top, kTabHeaderHeight);
    EXPECT_EQ(page.right - page.left, tabs.right - tabs.left) << "sized freely by its host";
    EXPECT_EQ(page.bottom, tabs.bottom);
    EXPECT_TRUE(labelled) << "a page's field is named by its label";
}

TEST_F(TabbedDialogTest, EscapeInAPageEndsTheDialogWith2AndLeavesThePageAlone) {
    HostDlg dlg;
    const LRESULT result = run(dlg, [](HostDlg& d) {
        ASSERT_TRUE(uit::focusControl(d.page, 40));
        uit::pressKey(d, VK_ESCAPE);
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(dlg.pageVisibleAtEnd);
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "page end 2"), 0);
}

TEST_F(TabbedDialogTest, EnterInAPageFieldDoesNothingAndOnAPageButtonPressesIt) {
    HostDlg dlg;
    std::vector<std::string> afterField;
    run(dlg, [&afterField](HostDlg& d) {
        ASSERT_TRUE(uit::focusControl(d.page, 40));
        uit::pressKey(d, VK_RETURN);
        afterField = d.log;
        ASSERT_TRUE(uit::focusControl(d.page, 42));
        uit::pressKey(d, VK_RETURN);
    });
    EXPECT_EQ(afterField, (std::vector<std::string>{"created hidden"}));
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "page set"), 1);
    EXPECT_EQ(dlg.log.back(), "end 2") << "closed by the hook, not by Enter";
}

TEST_F(TabbedDialogTest, CtrlTabPagesThroughTheTabsAndAVetoKeepsTheTab) {
    HostDlg dlg;
    run(dlg, [](HostDlg& d) {
        ASSERT_TRUE(uit::focusControl(d.page, 40));
        uit::pressKey(d, VK_TAB, true);
        uit::pressKey(d, VK_TAB, true);
        uit::pressKey(d, VK_TAB, true, true);
        d.vetoTabChange = true;
        uit::pressKey(d, VK_TAB, true);
    });
    EXPECT_EQ(dlg.log,
              (std::vector<std::string>{"created hidden", "changing", "tab 1", "changing", "tab 0",
                                        "changing", "tab 1", "changing", "end 2"}));
}

TEST_F(TabbedDialogTest, MultiLineFieldTakesEnterAsALineBreakAndGivesCrLf) {
    HostDlg dlg;
    std::u16string typed;
    std::u16string set;
    LRESULT result = run(dlg, [&](HostDlg& d) {
        ASSERT_TRUE(uit::focusControl(d.page, 43));
        uit::typeText(d.page, 43, u"first");
        uit::pressKey(d, VK_RETURN);
        typed = d.page.getDlgItemText(43);
        d.page.setDlgItemText(43, u"a\r\nb");
        set = d.page.getDlgItemText(43);
    });
    EXPECT_EQ(result, 2) << "Enter did not end the dialog";
    EXPECT_EQ(typed.substr(0, 7), u"first\r\n");
    EXPECT_EQ(set, u"a\r\nb");
}

TEST_F(TabbedDialogTest, ReadingAFieldIsBoundedByTheCallersBuffer) {
    HostDlg dlg;
    run(dlg, [](HostDlg& d) {
        d.page.setDlgItemText(40, u"12345678");
        std::array<char16_t, 5> small{u'x', u'x', u'x', u'x', u'x'};
        EXPECT_EQ(d.page.getDlgItemText(40, small.data(), 5), 4);
        EXPECT_EQ(std::u16string(small.data()), u"1234");
        // A surrogate pair is never cut in half.
        d.page.setDlgItemText(40, u"ab\U0001F600");
        std::array<char16_t, 4> pair{};
        EXPECT_EQ(d.page.getDlgItemText(40, pair.data(), 4), 2);
        EXPECT_EQ(std::u16string(pair.data()), u"ab");
        EXPECT_EQ(d.page.getDlgItemText(40, nullptr, 4), 0);
    });
}

// Real message boxes, shown by the platform and answered by keys as a user would.
class RealBoxTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        uit::addDialogTemplate(kProbe);
        uit::addDialogTemplate(kOwner);
    }
    void TearDown() override {
        uit::setModalObserver(nullptr);
        uit::setModalHook(nullptr);
        uit::processEvents();
    }
};

TEST_F(RealBoxTest, EnterAndEscapeCloseTheBoxAndNeverReachItsOwner) {
    ProbeDlg dlg;
    std::vector<std::u16string> captions;
    uit::setModalObserver([&captions](const uit::ShownModal& shown) {
        if (shown.templateId != 0) {
            return;  // the probe itself
        }
        captions.push_back(shown.caption);
        uit::pressKeyInActiveModal(captions.size() == 1 ? VK_RETURN : VK_ESCAPE);
    });
    bool endedByBox = true;
    uit::setModalHook([&](DialogBase& d) {
        messageBox(d.hwnd(), u"first", u"INFO");
        messageBox(d.hwnd(), u"second", u"ERROR");
        endedByBox = std::find(dlg.log.begin(), dlg.log.end(), "apply clicked") != dlg.log.end();
        d.endDialog(5);
    });
    EXPECT_EQ(dlg.doModal(nullptr), 5);
    EXPECT_EQ(captions, (std::vector<std::u16string>{u"INFO", u"ERROR"}));
    EXPECT_FALSE(endedByBox) << "the owner's default button was pressed by the box's key";
}

TEST_F(RealBoxTest, OwnerDestroyedWhileItsBoxIsOpen_IsFreedOnlyAfterTheBox) {
    OwnerDlg owner;
    ASSERT_NE(owner.create(nullptr), nullptr);
    owner.showWindow(SW_SHOWNORMAL);
    uit::setModalObserver([&owner](const uit::ShownModal&) {
        owner.destroyWindow();  // as the main dialog does when it is closed
        uit::processEvents();
        uit::pressKeyInActiveModal(VK_RETURN);
    });
    EXPECT_EQ(messageBox(owner.hwnd(), u"text", u"INFO"), IDOK);
    EXPECT_EQ(owner.hwnd(), nullptr);
    uit::processEvents();  // the deferred deletion; the sanitizer build catches a double free
}

void recordTermination(void* context) {
    ++*static_cast<int*>(context);
}

TEST_F(RealBoxTest, TerminationSignal_EndsEveryModalRunThenClosesOnce) {
    catchTerminationSignals();
    int terminations = 0;
    setTerminationHandler(recordTermination, &terminations);
    // The program's main dialog, which a close from outside is addressed to.
    OwnerDlg main;
    ASSERT_NE(main.create(nullptr), nullptr);
    main.showWindow(SW_SHOWNORMAL);
    uit::setModalObserver([&main](const uit::ShownModal& shown) {
        if (shown.caption == u"INFO") {
            test::askToCloseFromOutside(main.hwnd());
        }
    });
    ProbeDlg dlg;
    int boxesAfterSignal = 0;
    int terminationsInsideTheRun = -1;
    uit::setModalHook([&](DialogBase& d) {
        // The hook stands for the dialog's own loop: a box over it, then the signal.
        uit::setModalHook(nullptr);
        messageBox(d.hwnd(), u"box over the dialog", u"INFO");
        // Nothing opens once termination is under way.
        messageBox(d.hwnd(), u"after the signal", u"ERROR");
        ++boxesAfterSignal;
        terminationsInsideTheRun = terminations;
    });
    EXPECT_EQ(dlg.doModal(nullptr), 2);
    EXPECT_EQ(boxesAfterSignal, 1);
    EXPECT_EQ(terminationsInsideTheRun, 0) << "the close waits for the modal runs to unwind";
    uit::processEvents();
    EXPECT_EQ(terminations, 1);
    setTerminationHandler(nullptr, nullptr);
}

TEST_F(RealBoxTest, BoxOwnedByAPage_TakesItsKeysAndLeavesTheTabbedDialogOpen) {
    uit::addDialogTemplate(kHost);
    uit::addDialogTemplate(kPage);
    HostDlg dlg;
    HWND boxOwner = nullptr;
    uit::setModalObserver([&boxOwner](const uit::ShownModal& shown) {
        if (shown.templateId == 0) {
            boxOwner = shown.owner;
            uit::pressKeyInActiveModal(VK_ESCAPE);
        }
    });
    HWND page = nullptr;
    uit::setModalHook([&dlg, &page](DialogBase&) {
        ASSERT_TRUE(uit::focusControl(dlg.page, 40));
        page = dlg.page.hwnd();
        messageBox(page, u"Setting succeeded.", u"INFO");
        dlg.endDialog(9);
    });
    EXPECT_EQ(dlg.doModal(nullptr), 9) << "Escape in the box did not end the dialog";
    EXPECT_NE(page, nullptr);
    EXPECT_EQ(boxOwner, page);
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "end 2"), 0);
}

TEST(OpenFileDialog, ChoiceCancelAndOverlongPathAsTheUserAnswers) {
    constexpr FileFilter kFilters[] = {{u"Firmware (*.bin)", u"*.bin"}};
    std::vector<uit::OpenFileCall> calls;
    std::optional<std::u16string> answer = u"/tmp/fw.bin";
    uit::setOpenFileHook([&](const uit::OpenFileCall& call) {
        calls.push_back(call);
        return answer;
    });
    FileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kFilters);
    EXPECT_EQ(dialog.doModal(), IDOK);
    EXPECT_EQ(std::u16string(dialog.fileName()), u"/tmp/fw.bin");
    answer.reset();
    EXPECT_EQ(dialog.doModal(), IDCANCEL);
    EXPECT_EQ(std::u16string(dialog.fileName()), u"/tmp/fw.bin") << "a cancel changes nothing";
    answer = u"/" + std::u16string(FileDialog::kPathUnits, u'a');
    EXPECT_EQ(dialog.doModal(), IDCANCEL);
    EXPECT_EQ(std::u16string(dialog.fileName()), u"/tmp/fw.bin");
    uit::setOpenFileHook(nullptr);
    ASSERT_EQ(calls.size(), 3U);
    ASSERT_EQ(calls[0].filters.size(), 1U);
    EXPECT_EQ(calls[0].filters[0].pattern, u"*.bin");
    EXPECT_EQ(calls[0].flags, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
}

TEST(BusyCursorTest, ShownForTheScopeAndRestoredAfter) {
    EXPECT_FALSE(uit::busyCursorShown());
    {
        BusyCursor busy;
        EXPECT_TRUE(uit::busyCursorShown());
    }
    EXPECT_FALSE(uit::busyCursorShown());
}

}  // namespace
