// No caption cut short: every dialog the program shows, opened from its button as the user opens
// it, with every text measured against its control in the font the dialog really uses, in
// English and in Chinese.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "resource_ids.h"
#include "text/codepage.h"

namespace {

using namespace ui;
namespace uit = ui::testing;

class TextFitTest : public test::DialogTest {
  protected:
    // The misfits of one dialog, one line each, with its template and the control named.
    void measure(int templateId) {
        DialogBase* dialog = uit::findDialog(templateId);
        if (dialog == nullptr) {
            ADD_FAILURE() << "dialog " << templateId << " was not shown";
            return;
        }
        measured_.insert(templateId);
        for (const uit::TextMisfit& misfit : uit::textMisfits(*dialog)) {
            misfits_.push_back(
                "dialog " + std::to_string(templateId) + ", control " + std::to_string(misfit.id) +
                ": \"" + qv::text::toUtf8(misfit.text).value_or("?") + "\" needs " +
                std::to_string(misfit.needed) + " px of " + (misfit.wrapped ? "height" : "width") +
                ", has " + std::to_string(misfit.room) + " (on one line " +
                std::to_string(misfit.oneLine) + " px, the control " +
                std::to_string(misfit.width) + " px wide)");
        }
    }

    // Opens every dialog from its button, the pages of each shown by their tabs.
    void measureEveryDialog() {
        test::MainDialogHost main;
        measure(IDD_MAIN_DIALOG);

        uit::setModalHook([&](DialogBase&) {
            uit::processEvents();
            measure(IDD_SHOW_PRINTER_INFO);
        });
        EXPECT_TRUE(main.press(IDC_BUTTON_SHOW_PRINTER_INFO));

        uit::setModalHook([&](DialogBase& dialog) {
            uit::processEvents();
            measure(IDD_PRINTER_SET);
            const int pages[] = {IDD_PRINT_SETTING, IDD_USER_DEF, IDD_LOCATION_TAB, IDD_TEST_TAB};
            for (int tab = 0; tab < 4; ++tab) {
                EXPECT_TRUE(uit::clickTab(dialog, IDC_TAB_PRINTER_SET, tab));
                uit::processEvents();
                measure(pages[tab]);
            }
            // The text test dialog, from the test page's button.
            uit::setModalHook([&](DialogBase&) {
                uit::processEvents();
                measure(IDD_TEXT_TEST);
            });
            DialogBase* testPage = uit::findDialog(IDD_TEST_TAB);
            ASSERT_NE(testPage, nullptr);
            EXPECT_TRUE(uit::click(*testPage, kTextTestButton));
        });
        EXPECT_TRUE(main.press(IDC_BUTTON_SET_PRINTER));

        uit::setModalHook([&](DialogBase&) {
            uit::processEvents();
            measure(IDD_DOWNLOAD);
            measure(IDD_PROGRAM_TAB);
        });
        EXPECT_TRUE(main.press(IDC_BUTTON_MAIN_DOWNLOAD));
        uit::setModalHook(nullptr);

        const std::set<int> all{IDD_MAIN_DIALOG,   IDD_SHOW_PRINTER_INFO, IDD_PRINTER_SET,
                                IDD_PRINT_SETTING, IDD_USER_DEF,          IDD_LOCATION_TAB,
                                IDD_TEST_TAB,      IDD_TEXT_TEST,         IDD_DOWNLOAD,
                                IDD_PROGRAM_TAB};
        EXPECT_EQ(measured_, all);
    }

    std::string report() const {
        std::string lines;
        for (const std::string& line : misfits_) {
            lines += line + "\n";
        }
        return lines;
    }

    static constexpr int kTextTestButton = 1048;
    std::set<int> measured_;
    std::vector<std::string> misfits_;
};

TEST_F(TextFitTest, EveryCaptionFitsItsControl) {
    measureEveryDialog();
    EXPECT_TRUE(misfits_.empty()) << report();
}

TEST_F(TextFitTest, ChineseLocale_EveryCaptionFitsItsControl) {
    useLocale("zh_CN.UTF-8");
    measureEveryDialog();
    EXPECT_TRUE(misfits_.empty()) << report();
}

// The measure itself: captions too long for their controls are found, by width on one line and
// by height where a static text wraps, and captions with room to spare are not.
constexpr int kProbe = 930;
constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
// clang-format off
constexpr ControlTemplate kProbeControls[] = {
    {11, ControlClass::staticText, {4, 4, 200, 8}, kChild | SS_LEFT, u"Fits"},
    {12, ControlClass::staticText, {4, 14, 60, 8}, kChild | SS_LEFT, u"Short words that wrap to lines it lacks"},
    {13, ControlClass::button, {4, 30, 20, 14}, kChild | BS_PUSHBUTTON, u"A push button caption"},
    {14, ControlClass::button, {4, 50, 30, 10}, kChild | BS_AUTOCHECKBOX, u"A check box caption"},
    {15, ControlClass::button, {4, 64, 30, 20}, kChild | BS_GROUPBOX, u"A group box caption"},
    {16, ControlClass::button, {40, 30, 100, 14}, kChild | BS_PUSHBUTTON, u"OK"},
    {17, ControlClass::button, {40, 50, 100, 10}, kChild | BS_AUTOCHECKBOX, u"Beep"},
    {18, ControlClass::button, {40, 64, 150, 20}, kChild | BS_GROUPBOX, u"Paper"},
    {19, ControlClass::staticText, {150, 4, 60, 24}, kChild | SS_LEFT, u"Short words that wrap to lines it has"},
};
constexpr DialogTemplate kProbeTemplate{kProbe, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 220, 90, u"Probe", u"MS Shell Dlg", 8, kProbeControls};
// clang-format on

class ProbeDialog : public DialogBase {
  public:
    ProbeDialog() : DialogBase(kProbe) {}

  protected:
    bool processWindowMessage(const Message&, LRESULT&) override { return false; }
};

TEST_F(TextFitTest, Measure_FindsCaptionsCutShortAndOnlyThose) {
    uit::addDialogTemplate(kProbeTemplate);
    ProbeDialog dialog;
    ASSERT_NE(dialog.create(nullptr), nullptr);
    dialog.showWindow(SW_SHOWNORMAL);
    uit::processEvents();
    std::set<int> cut;
    for (const uit::TextMisfit& misfit : uit::textMisfits(dialog)) {
        cut.insert(misfit.id);
        EXPECT_GT(misfit.needed, misfit.room);
        EXPECT_EQ(misfit.text, dialog.getDlgItemText(misfit.id));
        if (misfit.id == 12) {
            EXPECT_TRUE(misfit.wrapped) << "a wrapped text is cut by its height";
        } else {
            EXPECT_FALSE(misfit.wrapped);
        }
    }
    EXPECT_EQ(cut, (std::set<int>{12, 13, 14, 15}));
    dialog.destroyWindow();
}

}  // namespace
