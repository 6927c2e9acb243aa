// The text test dialog, opened from the test page's Print Text Test button: its texts, the
// checks of the label size, and the job that reaches the printer.
#include <gtest/gtest.h>

#include <string>

#include "dialog_fixture.h"
#include "test_page_host.h"

namespace {

using namespace ui;
namespace uit = ui::testing;
using test::u16;

constexpr int kText = 1048;
constexpr int kWidth = 1052;
constexpr int kHeight = 1053;
constexpr int kPrint = 1056;

class TextTestDialogTest : public test::DialogTest {
  protected:
    // Opens the dialog from the test page's button and runs f while it is shown.
    void onDialog(const std::function<void(DialogBase&)>& f) {
        test::MainDialogHost main;
        bool shown = false;
        test::TestPageHost::run(main, *printer_, [&](test::TestPageHost& host) {
            uit::setModalHook([&](DialogBase& dialog) {
                shown = true;
                f(dialog);
            });
            EXPECT_TRUE(uit::click(host.page(), 1048));
        });
        EXPECT_TRUE(shown);
    }

    // Types width, height and text, then presses Print.
    void printWith(const std::u16string& width, const std::u16string& height,
                   const std::u16string& text = u"Print Text Test") {
        onDialog([&](DialogBase& dialog) {
            ASSERT_TRUE(uit::typeText(dialog, kWidth, width));
            ASSERT_TRUE(uit::typeText(dialog, kHeight, height));
            ASSERT_TRUE(uit::typeText(dialog, kText, text));
            ASSERT_TRUE(uit::click(dialog, kPrint));
        });
    }

    // The label jobs the printer received, as text.
    std::vector<std::string> jobs() {
        std::vector<std::string> found;
        for (const auto& r : printer_->received()) {
            if (r.kind == qv::sim::Received::Kind::job) {
                found.emplace_back(r.bytes.begin(), r.bytes.end());
            }
        }
        return found;
    }

    void expectOneRefusal() {
        ASSERT_EQ(boxes_.size(), 1U);
        EXPECT_EQ(boxes_[0].text, u"Please enter a whole number within the range shown.");
        EXPECT_EQ(boxes_[0].caption, u"ERROR");
        EXPECT_TRUE(jobs().empty()) << "nothing printed";
    }
};

const std::string kFixedLines =
    "GAP 3 mm,0 mm\r\nREFERENCE 0,0\r\nSPEED 5\r\nDENSITY 8\r\nSET PEEL OFF\r\n"
    "SET CUTTER OFF\r\nSET PARTIAL_CUTTER OFF\r\nSET TEAR ON\r\nDIRECTION 0\r\nSHIFT 0\r\n"
    "OFFSET 0 mm\r\nCLS\r\n";

std::string textLine(int y, const std::string& text) {
    return "TEXT 10," + std::to_string(y) + ",\"TSS24.BF2\",0,1,1,\"" + text + "\"\r\n";
}

TEST_F(TextTestDialogTest, Opening_DefaultsAndCatalogTexts) {
    onDialog([](DialogBase& dialog) {
        EXPECT_EQ(uit::windowText(dialog.hwnd()), u"Print Text Test");
        EXPECT_EQ(dialog.getDlgItemText(kText), u"Print Text Test");
        EXPECT_EQ(dialog.getDlgItemText(kWidth), u"50");
        EXPECT_EQ(dialog.getDlgItemText(kHeight), u"30");
        EXPECT_EQ(dialog.getDlgItemText(1047), u"Please enter the text to print:");
        EXPECT_EQ(dialog.getDlgItemText(1049), u"Print area of the label (0\u2013255 mm)")
            << "the range a refusal asks for is shown";
        EXPECT_EQ(dialog.getDlgItemText(1051), u"Printable Width:");
        EXPECT_EQ(dialog.getDlgItemText(1050), u"Printable Height:");
        EXPECT_EQ(dialog.getDlgItemText(1054), u"mm");
        EXPECT_EQ(dialog.getDlgItemText(kPrint), u"Print");
        EXPECT_EQ(dialog.getDlgItemText(IDCANCEL), u"Cancel");
    });
    EXPECT_TRUE(printer_->received().empty());
}

TEST_F(TextTestDialogTest, FieldsReadAsTheirLabels) {
    onDialog([](DialogBase& dialog) {
        EXPECT_EQ(uit::accessibleName(dialog.getDlgItem(kText)),
                  u"Please enter the text to print:");
        EXPECT_EQ(uit::accessibleName(dialog.getDlgItem(kWidth)), u"Printable Width:");
        EXPECT_EQ(uit::accessibleName(dialog.getDlgItem(kHeight)), u"Printable Height:");
    });
}

TEST_F(TextTestDialogTest, ChineseLocale_CaptionAndLabels) {
    useLocale("zh_CN.UTF-8");
    onDialog([](DialogBase& dialog) {
        EXPECT_EQ(uit::windowText(dialog.hwnd()), u16("文本打印测试"));
        EXPECT_EQ(dialog.getDlgItemText(1051), u16("可打印宽度："));
        EXPECT_EQ(dialog.getDlgItemText(kPrint), u16("打印"));
        EXPECT_EQ(dialog.getDlgItemText(kText), u"Print Text Test") << "not from the catalog";
    });
}

TEST_F(TextTestDialogTest, PrintDefaults_TheWholeJobAndSuccess) {
    onDialog([](DialogBase& dialog) { ASSERT_TRUE(uit::click(dialog, kPrint)); });
    const std::string expected =
        "SIZE 50mm,30mm\r\n" + kFixedLines + textLine(10, "Print Text Test") + "PRINT 1,1\r\n";
    ASSERT_EQ(jobs(), std::vector<std::string>{expected});
    EXPECT_EQ(expected.size(), 232U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"The text was sent to the printer.");
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

TEST_F(TextTestDialogTest, SeveralLines_PrintAsSeveralLines) {
    printWith(u"60", u"40", u"First\nSecond\n\nFourth");
    ASSERT_EQ(jobs().size(), 1U);
    EXPECT_EQ(jobs()[0], "SIZE 60mm,40mm\r\n" + kFixedLines + textLine(10, "First") +
                             textLine(40, "Second") + textLine(70, "") + textLine(100, "Fourth") +
                             "PRINT 1,1\r\n");
}

TEST_F(TextTestDialogTest, EnterInTheTextIsALineBreakNotPrint) {
    onDialog([](DialogBase& dialog) {
        ASSERT_TRUE(uit::typeText(dialog, kText, u"Top"));
        uit::pressKey(dialog, VK_TAB);  // from Print, which has the focus first
        ASSERT_TRUE(uit::hasFocus(dialog.getDlgItem(kText)));
        uit::pressKey(dialog, VK_RETURN);
        EXPECT_NE(dialog.getDlgItemText(kText).find(u"\r\n"), std::u16string::npos);
        EXPECT_TRUE(isWindowVisible(dialog.hwnd())) << "still open";
    });
    EXPECT_TRUE(jobs().empty());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(TextTestDialogTest, EmptyText_PrintsOneEmptyLine) {
    printWith(u"50", u"30", u"");
    ASSERT_EQ(jobs().size(), 1U);
    EXPECT_EQ(jobs()[0], "SIZE 50mm,30mm\r\n" + kFixedLines + textLine(10, "") + "PRINT 1,1\r\n");
    EXPECT_EQ(jobs()[0].size(), 217U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

TEST_F(TextTestDialogTest, LongText_CutTo259Characters) {
    printWith(u"50", u"30", std::u16string(300, u'x'));
    ASSERT_EQ(jobs().size(), 1U);
    EXPECT_NE(jobs()[0].find(textLine(10, std::string(259, 'x'))), std::string::npos);
}

TEST_F(TextTestDialogTest, CutNeverSplitsACharacterOutsideTheBasicPlane) {
    // 258 letters and one character of two UTF-16 units: the 259th unit would be half of it.
    printWith(u"50", u"30", std::u16string(258, u'x') + u"\U0001F5A8");
    ASSERT_EQ(jobs().size(), 1U);
    EXPECT_NE(jobs()[0].find(textLine(10, std::string(258, 'x'))), std::string::npos);
}

TEST_F(TextTestDialogTest, EnterInASizeFieldPrints) {
    onDialog([](DialogBase& dialog) {
        uit::pressKey(dialog, VK_TAB);  // Print -> text
        uit::pressKey(dialog, VK_TAB);  // text -> width
        ASSERT_TRUE(uit::hasFocus(dialog.getDlgItem(kWidth)));
        uit::pressKey(dialog, VK_RETURN);
    });
    EXPECT_EQ(jobs().size(), 1U);
    EXPECT_EQ(boxes_.size(), 1U);
}

TEST_F(TextTestDialogTest, LeadingZerosAndTheEndsOfTheRange) {
    printWith(u"050", u"0030");
    printWith(u"255", u"0");
    ASSERT_EQ(jobs().size(), 2U);
    EXPECT_EQ(jobs()[0].rfind("SIZE 50mm,30mm\r\n", 0), 0U);
    EXPECT_EQ(jobs()[1].rfind("SIZE 255mm,0mm\r\n", 0), 0U);
}

TEST_F(TextTestDialogTest, PrintTwice_PrintsTwiceAndKeepsWhatWasTyped) {
    onDialog([](DialogBase& dialog) {
        ASSERT_TRUE(uit::typeText(dialog, kWidth, u"70"));
        ASSERT_TRUE(uit::typeText(dialog, kText, u"Again"));
        ASSERT_TRUE(uit::click(dialog, kPrint));
        EXPECT_TRUE(isWindowVisible(dialog.hwnd())) << "stays open after printing";
        EXPECT_EQ(dialog.getDlgItemText(kWidth), u"70");
        EXPECT_EQ(dialog.getDlgItemText(kText), u"Again");
        ASSERT_TRUE(uit::click(dialog, kPrint));
    });
    ASSERT_EQ(jobs().size(), 2U);
    EXPECT_EQ(jobs()[0], jobs()[1]);
    EXPECT_NE(jobs()[1].find(textLine(10, "Again")), std::string::npos);
    EXPECT_EQ(boxes_.size(), 2U);
}

struct SizeInput {
    const char16_t* width;
    const char16_t* height;
};

void PrintTo(const SizeInput& s, std::ostream* os) {
    const auto narrow = [](const char16_t* t) {
        std::string out;
        for (; *t != 0; ++t) {
            out += *t < 0x80 ? static_cast<char>(*t) : '?';
        }
        return out;
    };
    *os << "width \"" << narrow(s.width) << "\" height \"" << narrow(s.height) << "\"";
}

class SizeRefusalTest : public TextTestDialogTest,
                        public ::testing::WithParamInterface<SizeInput> {};

TEST_P(SizeRefusalTest, OneRefusalNothingSentFieldsKept) {
    onDialog([](DialogBase& dialog) {
        ASSERT_TRUE(uit::typeText(dialog, kWidth, GetParam().width));
        ASSERT_TRUE(uit::typeText(dialog, kHeight, GetParam().height));
        ASSERT_TRUE(uit::click(dialog, kPrint));
        EXPECT_TRUE(isWindowVisible(dialog.hwnd()));
        EXPECT_EQ(dialog.getDlgItemText(kWidth), GetParam().width);
        EXPECT_EQ(dialog.getDlgItemText(kHeight), GetParam().height);
    });
    expectOneRefusal();
}

INSTANTIATE_TEST_SUITE_P(
    BadSizes, SizeRefusalTest,
    ::testing::Values(SizeInput{u"50 ", u"30"}, SizeInput{u"-50", u"30"}, SizeInput{u"50mm", u"30"},
                      SizeInput{u"", u"30"}, SizeInput{u"50", u""},
                      SizeInput{u"abc", u""},  // both bad: the height alone is refused
                      SizeInput{u"256", u"30"}, SizeInput{u"50", u"300"},
                      SizeInput{u"99999999999999999999", u"30"}, SizeInput{u"+50", u"30"},
                      SizeInput{u"5 0", u"30"}, SizeInput{u"\uFF15\uFF10", u"30"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(TextTestDialogTest, PrinterNotReady_ErrorAndTheDialogStaysOpen) {
    printerState().status = 0x04;
    onDialog([](DialogBase& dialog) {
        ASSERT_TRUE(uit::click(dialog, kPrint));
        EXPECT_TRUE(isWindowVisible(dialog.hwnd()));
    });
    EXPECT_TRUE(jobs().empty());
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"The printer is not ready.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_F(TextTestDialogTest, CancelEscapeAndCloseBoxEndIt) {
    int ended = 0;
    for (const auto& close : std::vector<std::function<void(DialogBase&)>>{
             [](DialogBase& d) { EXPECT_TRUE(uit::click(d, IDCANCEL)); },
             [](DialogBase& d) { uit::pressKey(d, VK_ESCAPE); },
             [](DialogBase& d) { uit::closeBox(d); }}) {
        onDialog([&](DialogBase& dialog) {
            close(dialog);
            ended += isWindowVisible(dialog.hwnd()) ? 0 : 1;
        });
    }
    EXPECT_EQ(ended, 3);
    EXPECT_TRUE(jobs().empty());
}

}  // namespace
