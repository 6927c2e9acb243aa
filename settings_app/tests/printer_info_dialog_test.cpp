// The printer information dialog: what it shows for what the printer reports, and its failure
// path, which closes it before it is ever seen.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "dialog_fixture.h"
#include "dialogs/show_printer_info_dlg.h"

namespace {

using namespace ui;
namespace uit = ui::testing;
using test::u16;

// Everything a user can read in the dialog.
struct Seen {
    bool shown = false;
    bool enabled = false;
    bool ownerBlocked = false;
    std::u16string caption;
    std::map<int, std::u16string> texts;
    std::map<int, std::u16string> names;
    std::map<int, std::u16string> labels;
    std::u16string text(int id) const { return texts.at(id); }
};

class PrinterInfoDialogTest : public test::DialogTest {
  protected:
    // Opens the dialog from the main dialog's Printer Info button and reads it as shown.
    Seen openDialog() {
        test::MainDialogHost host;
        Seen seen;
        uit::setModalHook([&seen, &host](DialogBase& dlg) {
            seen.shown = true;
            seen.enabled = test::wholeDialogEnabled(dlg, 1012, 1082);
            seen.ownerBlocked = !isWindowEnabled(host.dialog().hwnd());
            seen.caption = uit::windowText(dlg.hwnd());
            for (int id = 1012; id <= 1082; ++id) {
                if (HWND item = dlg.getDlgItem(id)) {
                    seen.texts[id] = dlg.getDlgItemText(id);
                    seen.names[id] = uit::accessibleName(item);
                    seen.labels[id] = uit::accessibleLabel(item);
                }
            }
        });
        EXPECT_TRUE(host.press(IDC_BUTTON_SHOW_PRINTER_INFO));
        uit::setModalHook(nullptr);
        EXPECT_TRUE(isWindowEnabled(host.dialog().hwnd())) << "the owner takes input again";
        return seen;
    }

    PrintSettingParam& settings() { return printerState().settings; }
};

TEST_F(PrinterInfoDialogTest, ShowsIdentityStatusLengthAndEverySetting) {
    printerState().serialNumber = "QV410-2511-000417";
    const Seen seen = openDialog();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, u"Printer Information");
    EXPECT_EQ(seen.text(1055), u"Printer Type:");
    EXPECT_EQ(seen.text(1059), u"Printer Status:");
    EXPECT_EQ(seen.text(1013), u"Automatic position when power on:");
    EXPECT_EQ(seen.text(1024), u"Prevent Glue Paper Time:");
    EXPECT_EQ(seen.text(1025), u"minutes");
    EXPECT_EQ(seen.text(1060), u"QV-410");
    EXPECT_EQ(seen.text(1061), u"QV410-2511-000417");
    EXPECT_EQ(seen.text(1062), u"V1.05 2025-11-10");
    EXPECT_EQ(seen.text(1063), u"123.45 (m)");
    EXPECT_EQ(seen.text(1064), u"Ready");
    // The factory settings of the simulated printer.
    EXPECT_EQ(seen.text(1070), u"Direct Thermal");
    EXPECT_EQ(seen.text(1071), u"Enable");
    EXPECT_EQ(seen.text(1072), u"400 mm");
    EXPECT_EQ(seen.text(1073), u"Label");
    EXPECT_EQ(seen.text(1074), u"Enable");
    EXPECT_EQ(seen.text(1075), u"Disable");
    EXPECT_EQ(seen.text(1076), u"Disable");
    EXPECT_EQ(seen.text(1078), u"5") << "print speed";
    EXPECT_EQ(seen.text(1077), u"8") << "darkness";
    EXPECT_EQ(seen.text(1082), u"0");
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(PrinterInfoDialogTest, OpensEnabledOverItsBlockedOwner) {
    const Seen seen = openDialog();
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(seen.enabled) << "drawn and read as an enabled dialog";
    EXPECT_TRUE(seen.ownerBlocked);
}

TEST_F(PrinterInfoDialogTest, ValuesReadAsThemselvesLabelledByTheirRow) {
    printerState().printedLength = 12345;
    const Seen seen = openDialog();
    EXPECT_EQ(seen.names.at(1060), u"QV-410");
    EXPECT_EQ(seen.labels.at(1060), u"Printer Type:");
    EXPECT_EQ(seen.labels.at(1063), u"Printer Print Length:");
    EXPECT_EQ(seen.names.at(1063), u"123.45 (m)");
    EXPECT_EQ(seen.labels.at(1078), u"Print Speed:");
    EXPECT_EQ(seen.labels.at(1077), u"Darkness Setting:");
    EXPECT_EQ(seen.names.at(1055), u"Printer Type:") << "a label reads as its own text";
    EXPECT_EQ(seen.labels.at(1055), u"");
}

TEST_F(PrinterInfoDialogTest, SpeedAndDarknessLandInTheirOwnRows) {
    settings().printSpeed = 2;
    settings().darkness = 15;
    const Seen seen = openDialog();
    EXPECT_EQ(seen.text(1078), u"2");
    EXPECT_EQ(seen.text(1077), u"15");
}

TEST_F(PrinterInfoDialogTest, OtherValues_ShowTheirTextsAndNumbers) {
    settings().printType = 3;
    settings().paperType = 7;
    settings().powerOnPosition = 0;
    settings().specialLabel = 9;
    settings().labelHeight = 30;
    settings().hOrigin = 89;
    settings().verticalOrigin = 12;
    settings().printToStop = -5;
    settings().preventTime = 255;
    const Seen seen = openDialog();
    EXPECT_EQ(seen.text(1070), u"Ribbon");
    EXPECT_EQ(seen.text(1071), u"Disable");
    EXPECT_EQ(seen.text(1072), u"30 mm");
    EXPECT_EQ(seen.text(1073), u"Black Mark");
    EXPECT_EQ(seen.text(1076), u"Enable");
    EXPECT_EQ(seen.text(1079), u"89");
    EXPECT_EQ(seen.text(1080), u"12");
    EXPECT_EQ(seen.text(1081), u"-5");
    EXPECT_EQ(seen.text(1082), u"255");
}

TEST_F(PrinterInfoDialogTest, PaperTypes_ReceiptLabelAndBlackMark) {
    for (const auto& [type, expected] :
         {std::pair{0, u"Receipt"}, {1, u"Label"}, {2, u"Black Mark"}}) {
        settings().paperType = static_cast<uint8_t>(type);
        EXPECT_EQ(openDialog().text(1073), expected) << type;
    }
}

struct StatusCase {
    int32_t status;
    const char16_t* text;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << "status " << c.status;
}

class PrinterStatusTest : public PrinterInfoDialogTest,
                          public ::testing::WithParamInterface<StatusCase> {};

TEST_P(PrinterStatusTest, FirstSetBitInPriorityOrderNamesTheStatus) {
    printerState().status = GetParam().status;
    EXPECT_EQ(openDialog().text(1064), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Priority, PrinterStatusTest,
    ::testing::Values(StatusCase{0x00, u"Ready"}, StatusCase{0x80, u"Ready"},
                      StatusCase{0x48, u"Paused"}, StatusCase{0x7F, u"Paused"},
                      StatusCase{0x30, u"Paper jam"}, StatusCase{0x19, u"Voltage error"},
                      StatusCase{0x0C, u"Out of paper"}, StatusCase{0x06, u"Cover open"},
                      StatusCase{0x03, u"Print head overheated"},
                      StatusCase{0x81, u"Memory test failed"}),
    [](const auto& info) { return "Status" + std::to_string(info.param.status); });

struct LengthCase {
    int32_t hundredths;
    const char16_t* text;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
    *os << "printed length " << c.hundredths;
}

class PrintedLengthTest : public PrinterInfoDialogTest,
                          public ::testing::WithParamInterface<LengthCase> {};

TEST_P(PrintedLengthTest, TwoDecimalsAndMetres) {
    printerState().printedLength = GetParam().hundredths;
    EXPECT_EQ(openDialog().text(1063), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PrintedLengthTest,
                         ::testing::Values(LengthCase{0, u"0.00 (m)"}, LengthCase{150, u"1.50 (m)"},
                                           LengthCase{12345, u"123.45 (m)"},
                                           LengthCase{-250, u"-2.50 (m)"},
                                           LengthCase{2147483647, u"21474836.00 (m)"}),
                         [](const auto& info) { return "Length" + std::to_string(info.index); });

TEST_F(PrinterInfoDialogTest, CommaLocale_PrintedLengthUsesTheUsersDecimalSeparator) {
    useLocale("de_DE.UTF-8");
    setenv("LANGUAGE", "en", 1);  // no German catalog; the labels stay English
    const Seen seen = openDialog();
    EXPECT_EQ(seen.text(1063), u"123,45 (m)");
    EXPECT_EQ(seen.text(1072), u"400 mm") << "whole numbers have no separator";
}

TEST_F(PrinterInfoDialogTest, CLocale_StillShowsEnglish) {
    useLocale("C");
    const Seen seen = openDialog();
    EXPECT_EQ(seen.caption, u"Printer Information");
    EXPECT_EQ(seen.text(1064), u"Ready");
    EXPECT_EQ(seen.text(1063), u"123.45 (m)");
}

TEST_F(PrinterInfoDialogTest, ChineseLocale_ShowsChineseTexts) {
    useLocale("zh_CN.UTF-8");
    printerState().status = 0x08;
    const Seen seen = openDialog();
    EXPECT_EQ(seen.caption, u16("打印机信息"));
    EXPECT_EQ(seen.text(1055), u16("打印机型号："));
    EXPECT_EQ(seen.text(1064), u16("缺纸"));
    EXPECT_EQ(seen.text(1071), u16("启用"));
    EXPECT_EQ(seen.text(1060), u"QV-410");
}

TEST_F(PrinterInfoDialogTest, OnlyQueriesAreSentToThePrinter) {
    openDialog();
    for (const auto& packet : commandsReceived()) {
        ASSERT_GE(packet.size(), 6U);
        const bool identityQuery = packet[3] == 0x04 && packet[4] == 0x01;
        const bool settingsQuery = packet[3] == 0x05 && packet[4] == 0x01 && packet[5] == 0x00;
        EXPECT_TRUE(identityQuery || settingsQuery) << int{packet[3]};
    }
    EXPECT_EQ(commandsReceived().back(), (qv::sim::Bytes{0x1F, 0x1B, 0x1A, 0x05, 0x01, 0x00}));
}

TEST_F(PrinterInfoDialogTest, Closing_EscapeAndCloseBoxGive2EnterGives1) {
    test::MainDialogHost host;  // binds the catalog and is the owner
    const auto runWith = [&host](auto close) {
        uit::setModalHook(close);
        CShowPrinterInfoDlg dlg;
        return dlg.doModal(host.dialog().hwnd());
    };
    EXPECT_EQ(runWith([](DialogBase& d) { uit::pressKey(d, VK_ESCAPE); }), 2);
    EXPECT_EQ(runWith([](DialogBase& d) { uit::closeBox(d); }), 2);
    EXPECT_EQ(runWith([](DialogBase& d) { uit::pressKey(d, VK_RETURN); }), 1);
}

TEST_F(PrinterInfoDialogTest, NoPrinter_OneErrorBoxAndTheDialogIsNeverShown) {
    printerFaults().absent = true;
    const Seen seen = openDialog();
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(std::count(uit::shownDialogs().begin(), uit::shownDialogs().end(), 209), 0);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"No USB printer was found.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_NE(boxes_[0].owner, nullptr) << "owned by the dialog";
}

TEST_F(PrinterInfoDialogTest, NoPrinter_EndsWith209OverItsOwner) {
    test::MainDialogHost host;
    printerFaults().absent = true;
    CShowPrinterInfoDlg dlg;
    EXPECT_EQ(dlg.doModal(host.dialog().hwnd()), 209);
    EXPECT_EQ(boxes_.size(), 1U);
    EXPECT_TRUE(isWindowEnabled(host.dialog().hwnd()));
}

// Passes everything to the simulated printer but never answers the print-settings query.
class SettingsQueryUnanswered : public qv::device::Device {
  public:
    explicit SettingsQueryUnanswered(std::shared_ptr<qv::sim::SimulatedPrinter> printer)
        : printer_(std::move(printer)) {}
    std::optional<std::string> find() override { return printer_->find(); }
    qv::device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                                  std::chrono::milliseconds wait) override {
        static constexpr uint8_t kSettingsQuery[] = {0x1F, 0x1B, 0x1A, 0x05, 0x01, 0x00};
        if (std::equal(bytes.begin(), bytes.end(), std::begin(kSettingsQuery),
                       std::end(kSettingsQuery))) {
            swallowed_ = true;
            return qv::device::WriteStatus::ok;
        }
        return printer_->write(path, bytes, wait);
    }
    qv::device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                                std::chrono::milliseconds wait, std::size_t& received) override {
        if (swallowed_) {
            received = 0;
            return qv::device::ReadStatus::failed;
        }
        return printer_->read(path, buffer, wait, received);
    }

  private:
    std::shared_ptr<qv::sim::SimulatedPrinter> printer_;
    bool swallowed_ = false;
};

TEST_F(PrinterInfoDialogTest, IdentityReadButSettingsQueryFails_StillClosesUnseen) {
    qv::device::install(std::make_shared<SettingsQueryUnanswered>(printer_));
    const Seen seen = openDialog();
    EXPECT_FALSE(seen.shown);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"Reading from the USB printer failed.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_F(PrinterInfoDialogTest, NoReply_ErrorBoxCarriesTheReadFailure) {
    printerFaults().replyLengthByte = 1;  // every reply too short to carry a value
    const Seen seen = openDialog();
    EXPECT_FALSE(seen.shown);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

// The catalog lacks the ids listed in tests/CMakeLists.txt (partial catalog).
class PrinterInfoPartialCatalogTest : public PrinterInfoDialogTest {
  protected:
    void SetUp() override {
        PrinterInfoDialogTest::SetUp();
        app::setCatalogFolderForTesting(QV_PARTIAL_CATALOG_DIR);
    }
};

TEST_F(PrinterInfoPartialCatalogTest, UntranslatedLabelRepeatsTheLabelSetBeforeIt) {
    const Seen seen = openDialog();
    EXPECT_EQ(seen.text(1055), u"Printer Information") << "the caption came just before";
    EXPECT_EQ(seen.text(1056), u"Printer Serial Number:");
    EXPECT_EQ(seen.text(1014), u"Automatic position when power on:");
    EXPECT_EQ(seen.text(1015), u"Paper Type:");
}

TEST_F(PrinterInfoPartialCatalogTest, UntranslatedStatusShowsThePrintedLengthAgain) {
    printerState().printedLength = 150;
    EXPECT_EQ(openDialog().text(1064), u"1.50 (m)");
}

TEST_F(PrinterInfoPartialCatalogTest, UntranslatedFirstValueIsEmptyAndLaterOnesRepeat) {
    settings().printType = 0;        // "Direct Thermal" has no translation: fresh buffer
    settings().powerOnPosition = 1;  // "Enable" has none either
    settings().paperType = 2;
    settings().reprintWhenError = 1;
    const Seen seen = openDialog();
    EXPECT_EQ(seen.text(1070), u"");
    EXPECT_EQ(seen.text(1071), u"");
    EXPECT_EQ(seen.text(1073), u"Black Mark");
    EXPECT_EQ(seen.text(1074), u"Black Mark");
}

TEST_F(PrinterInfoPartialCatalogTest, UntranslatedValueAfterANumberRepeatsTheNumber) {
    settings().printType = 1;
    settings().powerOnPosition = 1;
    settings().labelHeight = 100;
    settings().paperType = 0;  // "Receipt" has no translation
    settings().reprintWhenError = 0;
    settings().preventSticker = 1;
    const Seen seen = openDialog();
    EXPECT_EQ(seen.text(1070), u"Ribbon");
    EXPECT_EQ(seen.text(1071), u"Ribbon");
    EXPECT_EQ(seen.text(1072), u"100 mm");
    EXPECT_EQ(seen.text(1073), u"100 mm");
    EXPECT_EQ(seen.text(1074), u"Disable");
    EXPECT_EQ(seen.text(1075), u"Disable");
}

}  // namespace
