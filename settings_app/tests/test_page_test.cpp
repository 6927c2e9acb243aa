// The test page: dump mode, the bad-point check, the self test and the button that opens the
// text test dialog, on a page hosted in a tab control as the Set Printer dialog hosts it.
#include <gtest/gtest.h>

#include <chrono>
#include <span>

#include "busy_probe.h"
#include "dialog_fixture.h"
#include "head_test_job.h"
#include "test_page_host.h"

namespace {

using namespace ui;
namespace uit = ui::testing;
using test::TestPageHost;
using test::u16;

const qv::sim::Bytes kDumpModeOff{0x1F, 0x1B, 0x1A, 0x03, 0x02, 0x02, 0x00};
const qv::sim::Bytes kDumpModeOn{0x1F, 0x1B, 0x1A, 0x03, 0x02, 0x02, 0x01};

class TestPageTest : public test::DialogTest {
  protected:
    void TearDown() override {
        qv::selftest::setPauseForTesting(nullptr);
        qv::selftest::setJobForTesting(std::nullopt);
        test::DialogTest::TearDown();
    }

    // Opens the page's host from the main dialog (which binds the catalog) and runs f on the
    // shown page.
    void onPage(const std::function<void(CTestTabDlg&)>& f) {
        test::MainDialogHost main;
        bool ran = false;
        TestPageHost::run(main, *printer_, [&](TestPageHost& host) {
            ran = true;
            ASSERT_TRUE(isWindowVisible(host.page().hwnd()));
            f(host.page());
        });
        EXPECT_TRUE(ran) << "the host was shown";
    }

    static std::u16string result(CTestTabDlg& page) { return page.getDlgItemText(1050); }

    static void setDumpMode(CTestTabDlg& page, int index) {
        ASSERT_TRUE(uit::chooseListEntry(page, 1045, index));
        ASSERT_TRUE(uit::click(page, 1046));
    }

    std::vector<qv::sim::Received> jobs() {
        std::vector<qv::sim::Received> found;
        for (auto& r : printer_->received()) {
            if (r.kind == qv::sim::Received::Kind::job) {
                found.push_back(std::move(r));
            }
        }
        return found;
    }
};

TEST_F(TestPageTest, Opening_CatalogTextsDisableSelectedAndNothingSent) {
    onPage([](CTestTabDlg& page) {
        EXPECT_EQ(page.getDlgItemText(1044), u"Dump Mode:");
        EXPECT_EQ(page.getDlgItemText(1046), u"Set");
        EXPECT_EQ(page.getDlgItemText(1049), u"Bad Point Check:");
        EXPECT_EQ(page.getDlgItemText(1050), u"Normal");
        EXPECT_EQ(page.getDlgItemText(1047), u"Self Test");
        EXPECT_EQ(page.getDlgItemText(1048), u"Print Text Test");
        EXPECT_EQ(page.getDlgItemText(1051), u"Check");
        ComboBox list(page.getDlgItem(1045));
        ASSERT_EQ(list.getCount(), 2);
        EXPECT_EQ(list.getLBText(0), u"Disable");
        EXPECT_EQ(list.getLBText(1), u"Enable");
        EXPECT_EQ(list.getCurSel(), 0);
    });
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(printer_->received().empty()) << "nothing is read when the page opens";
}

TEST_F(TestPageTest, FieldsReadAsTheirLabels) {
    onPage([this](CTestTabDlg& page) {
        // A list reads as its entry, labelled by the text before it.
        EXPECT_EQ(uit::accessibleName(page.getDlgItem(1045)), u"Disable");
        EXPECT_EQ(uit::accessibleLabel(page.getDlgItem(1045)), u"Dump Mode:");
        EXPECT_EQ(uit::accessibleName(page.getDlgItem(1050)), u"Normal");
        EXPECT_EQ(uit::accessibleLabel(page.getDlgItem(1050)), u"Bad Point Check:");
        ASSERT_TRUE(uit::click(page, 1051));
        printerState().badPoints = 2;
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(uit::accessibleName(page.getDlgItem(1050)), u"Bad points found(2)")
            << "the result reads as it shows";
    });
}

// The list keeps disable first and enable second, so the index sent means the same in every
// language, even where the enable text sorts first (as in Chinese).
class DumpModeLanguageTest : public TestPageTest,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(DumpModeLanguageTest, EnableSends1AndDisableSends0) {
    useLocale(GetParam());
    onPage([this](CTestTabDlg& page) {
        ComboBox list(page.getDlgItem(1045));
        const std::u16string enable = list.getLBText(1);
        EXPECT_TRUE(enable == u"Enable" || enable == u16("启用")) << "entry 1 reads as enable";
        setDumpMode(page, 1);
        EXPECT_EQ(printerState().dumpMode, 1);
        EXPECT_EQ(commandsReceived().back(), kDumpModeOn);
        setDumpMode(page, 0);
        EXPECT_EQ(printerState().dumpMode, 0);
        EXPECT_EQ(commandsReceived().back(), kDumpModeOff);
    });
    ASSERT_EQ(boxes_.size(), 2U);
    for (const auto& box : boxes_) {
        EXPECT_EQ(box.caption, u"INFO");
        EXPECT_TRUE(box.text == u"The settings were applied." || box.text == u16("设置成功。"))
            << "settings success text";
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, DumpModeLanguageTest,
                         ::testing::Values("en_US.UTF-8", "zh_CN.UTF-8"),
                         [](const auto& info) { return info.index == 0 ? "English" : "Chinese"; });

TEST_F(TestPageTest, ChineseLocale_ListShowsDisableThenEnable) {
    useLocale("zh_CN.UTF-8");
    onPage([](CTestTabDlg& page) {
        ComboBox list(page.getDlgItem(1045));
        EXPECT_EQ(list.getLBText(0), u16("禁用"));
        EXPECT_EQ(list.getLBText(1), u16("启用"));
        EXPECT_EQ(page.getDlgItemText(1044), u16("十六进制模式："));
        EXPECT_EQ(page.getDlgItemText(1050), u16("正常"));
    });
}

TEST_F(TestPageTest, PartialCatalog_UntranslatedEnableIsBlankNotASecondDisable) {
    app::setCatalogFolderForTesting(QV_PARTIAL_CATALOG_DIR);  // lacks "PO_GSTR_ENABLE"
    onPage([](CTestTabDlg& page) {
        ComboBox list(page.getDlgItem(1045));
        EXPECT_EQ(list.getLBText(0), u"Disable");
        EXPECT_EQ(list.getLBText(1), u"") << "an entry that sends 1 never reads as disable";
    });
}

TEST_F(TestPageTest, DumpMode_UnacknowledgedShowsSettingFail) {
    printerFaults().noAck = true;
    onPage([](CTestTabDlg& page) { setDumpMode(page, 1); });
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"The printer did not confirm the settings.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_F(TestPageTest, DumpMode_NoPrinterShowsTheErrorAndNothingElse) {
    printerFaults().absent = true;
    onPage([](CTestTabDlg& page) { setDumpMode(page, 1); });
    // The print settings page's read as the dialog opened, then the dump mode's.
    ASSERT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(boxes_[1].text, u"No USB printer was found.");
    EXPECT_EQ(boxes_[1].caption, u"ERROR");
}

TEST_F(TestPageTest, BadPointCheck_CountShownOnTheLabelWithoutABox) {
    onPage([this](CTestTabDlg& page) {
        printerState().badPoints = 3;
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(result(page), u"Bad points found(3)");
        printerState().badPoints = 0;
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(result(page), u"Normal");
        printerState().badPoints = 1234;
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(result(page), u"Bad points found(1234)");
    });
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(commandsReceived().back(), (qv::sim::Bytes{0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x03}));
}

// Answers the bad-point query with a four-byte count of -3; everything else goes to the printer.
class NegativeBadPoints : public qv::device::Device {
  public:
    explicit NegativeBadPoints(std::shared_ptr<qv::sim::SimulatedPrinter> printer)
        : printer_(std::move(printer)) {}
    std::optional<std::string> find() override { return printer_->find(); }
    qv::device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                                  std::chrono::milliseconds wait) override {
        static constexpr uint8_t kQuery[] = {0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x03};
        if (std::equal(bytes.begin(), bytes.end(), std::begin(kQuery), std::end(kQuery))) {
            printer_->pushReply({0x1F, 0x1B, 0x1A, 0x03, 0x05, 0x03, 0xFD, 0xFF, 0xFF, 0xFF});
            return qv::device::WriteStatus::ok;
        }
        return printer_->write(path, bytes, wait);
    }
    qv::device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                                std::chrono::milliseconds wait, std::size_t& received) override {
        return printer_->read(path, buffer, wait, received);
    }

  private:
    std::shared_ptr<qv::sim::SimulatedPrinter> printer_;
};

TEST_F(TestPageTest, BadPointCheck_NegativeCountKeepsItsSign) {
    qv::device::install(std::make_shared<NegativeBadPoints>(printer_));
    onPage([](CTestTabDlg& page) {
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(result(page), u"Bad points found(-3)");
    });
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(TestPageTest, BadPointCheck_FailureKeepsTheLastResult) {
    onPage([this](CTestTabDlg& page) {
        printerState().badPoints = 3;
        ASSERT_TRUE(uit::click(page, 1051));
        printerFaults().noReply = true;
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(result(page), u"Bad points found(3)");
    });
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_EQ(boxes_[0].text, u"Reading from the USB printer failed.");
}

TEST_F(TestPageTest, ChineseLocale_BadPointTextAndCount) {
    useLocale("zh_CN.UTF-8");
    printerState().badPoints = 7;
    onPage([](CTestTabDlg& page) {
        ASSERT_TRUE(uit::click(page, 1051));
        EXPECT_EQ(result(page), u16("发现坏点(7)"));
    });
}

std::vector<std::chrono::milliseconds> gPauses;
bool gBusyDuringPause = false;

void notePause(std::chrono::milliseconds duration) {
    gPauses.push_back(duration);
    gBusyDuringPause = uit::busyCursorShown();
}

TEST_F(TestPageTest, SelfTest_SendsCommandThenJobAndReportsSuccess) {
    gPauses.clear();
    gBusyDuringPause = false;
    qv::selftest::setPauseForTesting(notePause);
    onPage([](CTestTabDlg& page) { ASSERT_TRUE(uit::click(page, 1047)); });
    EXPECT_EQ(gPauses, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(2000)});
    EXPECT_TRUE(gBusyDuringPause) << "the busy cursor shows through the pause";
    EXPECT_EQ(printerState().selfTests, 1);
    ASSERT_EQ(jobs().size(), 1U);
    EXPECT_EQ(jobs()[0].size, qv::selftest::headTestJob().size());
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"The self-test page was sent to the printer.");
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

TEST_F(TestPageTest, SelfTest_PrinterNotReadySendsNothingButTheStatusQuery) {
    qv::selftest::setPauseForTesting(notePause);
    printerState().status = 0x04;
    onPage([](CTestTabDlg& page) { ASSERT_TRUE(uit::click(page, 1047)); });
    EXPECT_EQ(printerState().selfTests, 0);
    EXPECT_TRUE(jobs().empty());
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"The printer is not ready.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_F(TestPageTest, SelfTest_MissingJobShowsTheTextOfTheLastCodeSet) {
    qv::selftest::setPauseForTesting(notePause);
    qv::selftest::setJobForTesting(std::span<const uint8_t>{});
    onPage([this](CTestTabDlg& page) {
        printerState().status = 0x04;
        ASSERT_TRUE(uit::click(page, 1047));  // sets code 56
        printerState().status = 0;
        ASSERT_TRUE(uit::click(page, 1047));  // fails without a code of its own
    });
    EXPECT_EQ(printerState().selfTests, 0);
    ASSERT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(boxes_[1].text, u"The printer is not ready.");
    EXPECT_EQ(boxes_[1].caption, u"ERROR");
}

TEST_F(TestPageTest, BusyCursorWhileTheLibraryRunsAndGoneForTheBox) {
    qv::selftest::setPauseForTesting(notePause);
    auto probe = std::make_shared<test::BusyProbe>(printer_);
    qv::device::install(probe);
    int busyDuringBoxes = 0;
    uit::setMessageBoxHook([&](const uit::MessageBoxCall& call) {
        boxes_.push_back(call);
        busyDuringBoxes += uit::busyCursorShown() ? 1 : 0;
    });
    onPage([this](CTestTabDlg& page) {
        setDumpMode(page, 1);
        ASSERT_TRUE(uit::click(page, 1051));
        ASSERT_TRUE(uit::click(page, 1047));
        printerFaults().absent = true;  // and every failure path
        setDumpMode(page, 0);
        ASSERT_TRUE(uit::click(page, 1051));
        ASSERT_TRUE(uit::click(page, 1047));
        EXPECT_FALSE(uit::busyCursorShown());
    });
    EXPECT_GT(probe->calls, 0);
    EXPECT_EQ(probe->callsWithoutBusyCursor, 0);
    EXPECT_EQ(boxes_.size(), 5U) << "all but the successful check";
    EXPECT_EQ(busyDuringBoxes, 0);
    EXPECT_FALSE(uit::busyCursorShown());
}

TEST_F(TestPageTest, PrintTextTest_OpensTheTextTestDialogOverSetPrinter) {
    int runs = 0;
    bool hostBlocked = false;
    onPage([&](CTestTabDlg& page) {
        HWND host = uit::findDialog(TestPageHost::IDD)->hwnd();
        uit::setModalHook([&](DialogBase& dialog) {
            ++runs;
            EXPECT_EQ(dialog.templateId(), 208);
            hostBlocked = !isWindowEnabled(host);
        });
        ASSERT_TRUE(uit::click(page, 1048));
        ASSERT_TRUE(uit::click(page, 1048));
        EXPECT_TRUE(isWindowEnabled(host)) << "the host takes input again";
    });
    EXPECT_EQ(runs, 2) << "a fresh dialog for every press";
    EXPECT_TRUE(hostBlocked);
    EXPECT_TRUE(printer_->received().empty()) << "opening it sends nothing";
    EXPECT_TRUE(boxes_.empty());
}

}  // namespace
