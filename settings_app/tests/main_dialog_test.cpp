// The main dialog as a user meets it: texts, the printer list, the buttons and what they do.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/main_dlg.h"
#include "ui/controls.h"
#include "ui/message_loop.h"

namespace {

using namespace ui;
namespace uit = ui::testing;
using test::u16;

const qv::sim::Bytes kConnectionCheck{0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x02};

class MainDialogTest : public test::DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        appModule().addMessageLoop(&loop_);
    }
    void TearDown() override {
        dialog_.reset();
        appModule().removeMessageLoop();
        DialogTest::TearDown();
    }

    CMainDlg& open() {
        dialog_ = std::make_unique<CMainDlg>();
        EXPECT_NE(dialog_->create(nullptr), nullptr);
        dialog_->showWindow(SW_SHOWNORMAL);
        uit::processEvents();
        return *dialog_;
    }

    std::u16string text(int id) const { return dialog_->getDlgItemText(id); }

    MessageLoop loop_;
    std::unique_ptr<CMainDlg> dialog_;
};

TEST_F(MainDialogTest, FontFollowsTheLanguageOfTheCatalogGettextChose) {
    useLocale("zh_CN.UTF-8");
    EXPECT_EQ(uit::fontFamily(open().hwnd()).substr(0, 13), u"Noto Sans CJK");
    dialog_.reset();
    // Chinese asked for, but only an English catalog there: English texts in the Latin face.
    app::setCatalogFolderForTesting(QV_PARTIAL_CATALOG_DIR);
    EXPECT_EQ(uit::fontFamily(open().hwnd()), u"DejaVu Sans");
}

TEST_F(MainDialogTest, Caption_IsCatalogTextThenTwoBlanksAndVersion) {
    CMainDlg& dlg = open();
    EXPECT_EQ(uit::windowText(dlg.hwnd()), u"QV-410 Setting Tool  v1.16");
}

TEST_F(MainDialogTest, Buttons_ShowCatalogTextsAndOnlyTheThreePrinterButtonsAreDisabled) {
    CMainDlg& dlg = open();
    EXPECT_EQ(text(1001), u"Add Printer");
    EXPECT_EQ(text(1002), u"Modify Printer");
    EXPECT_EQ(text(1003), u"Delete Printer");
    EXPECT_EQ(text(1004), u"Connection Test");
    EXPECT_EQ(text(1005), u"Set Printer");
    EXPECT_EQ(text(1006), u"Printer Info");
    EXPECT_EQ(text(1007), u"Download");
    for (int id : {1001, 1002, 1003}) {
        EXPECT_FALSE(isWindowEnabled(dlg.getDlgItem(id))) << id;
    }
    for (int id : {1004, 1005, 1006, 1007}) {
        EXPECT_TRUE(isWindowEnabled(dlg.getDlgItem(id))) << id;
        EXPECT_EQ(uit::accessibleName(dlg.getDlgItem(id)), text(id)) << id;
    }
}

TEST_F(MainDialogTest, DisabledPrinterButtons_DoNothingWhenPressed) {
    CMainDlg& dlg = open();
    for (int id : {1001, 1002, 1003}) {
        EXPECT_FALSE(uit::click(dlg, id)) << id;
    }
    // Even a command that reaches the dialog has no handler.
    dlg.sendMessage(WM_COMMAND, makeWParam(1002, BN_CLICKED), 0);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(printer_->received().empty());
    EXPECT_NE(dlg.hwnd(), nullptr);
}

TEST_F(MainDialogTest, PrinterList_HasOneUnselectedRowUnderThePrinterHeader) {
    CMainDlg& dlg = open();
    ListView list(dlg.getDlgItem(1000));
    EXPECT_EQ(list.getColumnText(0), u"Printer");
    ASSERT_EQ(list.getItemCount(), 1);
    EXPECT_EQ(list.getItemText(0, 0), u"QV-410 (USB)");
    EXPECT_EQ(list.getSelectedCount(), 0);
    // Report view with single selection; border and tab stop are gone.
    EXPECT_EQ(getWindowStyle(list.handle()), 0x50000005U);
    EXPECT_EQ(list.getExtendedListViewStyle(), 0x128U);
    RECT client{};
    getClientRect(list.handle(), client);
    EXPECT_GE(list.getColumnWidth(0), client.right - 4) << "the one column fills the list";
    EXPECT_EQ(uit::accessibleName(list.handle()), u"Printer");
}

TEST_F(MainDialogTest, ConnectionTest_PrinterAnswers_ShowsSuccessInInfoBox) {
    CMainDlg& dlg = open();
    ASSERT_TRUE(uit::click(dlg, 1004));
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"Connection test succeeded.");
    EXPECT_EQ(boxes_[0].caption, u"INFO");
    EXPECT_EQ(boxes_[0].owner, dlg.hwnd());
    EXPECT_EQ(boxes_[0].type, MB_OK);
    EXPECT_EQ(commandsReceived().back(), kConnectionCheck);
}

TEST_F(MainDialogTest, ConnectionTest_NoPrinter_ShowsErrorTextAndCanBeRepeated) {
    printerFaults().absent = true;
    CMainDlg& dlg = open();
    ASSERT_TRUE(uit::click(dlg, 1004));
    printerFaults().absent = false;
    printerFaults().wrongMarker = true;
    ASSERT_TRUE(uit::click(dlg, 1004));
    ASSERT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(boxes_[0].text, u"No USB printer was found.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_EQ(boxes_[1].caption, u"ERROR");
    EXPECT_FALSE(boxes_[1].text.empty());
    EXPECT_NE(dlg.hwnd(), nullptr);
}

TEST_F(MainDialogTest, PrinterInfo_EachPressOpensAFreshModalDialogOverTheMainDialog) {
    CMainDlg& dlg = open();
    int runs = 0;
    bool mainDisabledDuringRun = false;
    uit::setModalHook([&](DialogBase& modal) {
        ++runs;
        EXPECT_EQ(modal.templateId(), 209);
        mainDisabledDuringRun = !isWindowEnabled(dlg.hwnd());
        EXPECT_EQ(modal.getDlgItemText(1060), u"QV-410");
    });
    ASSERT_TRUE(uit::click(dlg, 1006));
    printerState().type = "QV-410B";
    uit::setModalHook([&](DialogBase& modal) {
        ++runs;
        EXPECT_EQ(modal.getDlgItemText(1060), u"QV-410B") << "queried again";
    });
    ASSERT_TRUE(uit::click(dlg, 1006));
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(mainDisabledDuringRun);
    EXPECT_TRUE(isWindowEnabled(dlg.hwnd())) << "enabled again after the run";
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainDialogTest, Initialisation_RegistersFilterAndIdleHandlerUntilDestroyed) {
    CMainDlg& dlg = open();
    EXPECT_TRUE(loop_.removeMessageFilter(&dlg));
    EXPECT_TRUE(loop_.removeIdleHandler(&dlg));
    loop_.addMessageFilter(&dlg);
    loop_.addIdleHandler(&dlg);
    dlg.destroyWindow();
    EXPECT_FALSE(loop_.removeMessageFilter(&dlg));
    EXPECT_FALSE(loop_.removeIdleHandler(&dlg));
}

TEST_F(MainDialogTest, Window_IsCentredInTheWorkAreaAndCarriesTheIcon) {
    CMainDlg& dlg = open();
    const RECT r = uit::screenRect(dlg.hwnd());
    const RECT work = uit::workArea(dlg.hwnd());
    EXPECT_NEAR((r.left + r.right) / 2.0, (work.left + work.right) / 2.0, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2.0, (work.top + work.bottom) / 2.0, 2);
    EXPECT_TRUE(uit::hasIcon(dlg.hwnd()));
}

TEST_F(MainDialogTest, EnterOnTheFocusedConnectionTestButton_PressesIt) {
    CMainDlg& dlg = open();
    // The list lost its tab stop and the first three buttons are disabled.
    EXPECT_TRUE(uit::hasFocus(dlg.getDlgItem(1004)));
    MSG msg{dlg.getDlgItem(1004), WM_KEYDOWN, VK_RETURN, 0};
    EXPECT_TRUE(dlg.preTranslateMessage(msg));
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

// The catalog lacks the ids listed in tests/CMakeLists.txt (partial catalog).
class MainDialogPartialCatalogTest : public MainDialogTest {
  protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        app::setCatalogFolderForTesting(QV_PARTIAL_CATALOG_DIR);
    }
};

TEST_F(MainDialogPartialCatalogTest, UntranslatedButtonRepeatsTheTextSetJustBefore) {
    CMainDlg& dlg = open();
    EXPECT_EQ(text(1001), u"QV-410 Setting Tool  v1.16") << "the caption's buffer";
    EXPECT_EQ(text(1002), u"Modify Printer");
    EXPECT_EQ(text(1006), u"Connection Test") << "looked up after 1004";
    EXPECT_EQ(text(1007), u"Download");
    EXPECT_EQ(ListView(dlg.getDlgItem(1000)).getColumnText(0), u"") << "fresh buffer";
}

TEST_F(MainDialogPartialCatalogTest, UntranslatedSuccessText_ShowsAnEmptyInfoBox) {
    CMainDlg& dlg = open();
    ASSERT_TRUE(uit::click(dlg, 1004));
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"");
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

TEST_F(MainDialogTest, NoCatalogFolder_CaptionIsBlanksAndVersionAndButtonsRepeatIt) {
    app::setCatalogFolderForTesting("/nonexistent/Lang/");
    CMainDlg& dlg = open();
    EXPECT_EQ(uit::windowText(dlg.hwnd()), u"  v1.16");
    for (int id : {1001, 1002, 1003, 1004, 1005, 1006, 1007}) {
        EXPECT_EQ(text(id), u"  v1.16") << id;
    }
}

TEST_F(MainDialogTest, ChineseLocale_ShowsTheChineseCatalog) {
    useLocale("zh_CN.UTF-8");
    CMainDlg& dlg = open();
    EXPECT_EQ(uit::windowText(dlg.hwnd()), u16("QV-410 设置工具  v1.16"));
    EXPECT_EQ(text(1004), u16("连接测试"));
    EXPECT_EQ(ListView(dlg.getDlgItem(1000)).getColumnText(0), u16("打印机"));
    EXPECT_EQ(ListView(dlg.getDlgItem(1000)).getItemText(0, 0), u"QV-410 (USB)");
}

}  // namespace
