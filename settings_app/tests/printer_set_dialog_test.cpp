// The Set Printer dialog and its print settings, user settings and location pages, opened from
// the main dialog's button and driven as an operator would, against the simulated printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

#include "dialog_fixture.h"
#include "dialogs/printer_set_dlg.h"
#include "printer_model/print_settings.h"
#include "ui/controls.h"
#ifdef _WIN32
#include "test_platform.h"
#else
#include "pty_printer_process.h"
#endif

namespace {

using namespace ui;
namespace uit = ui::testing;
using qv::sim::Bytes;
using test::u16;

constexpr std::array<uint8_t, 3> kLeadIn{0x1F, 0x1B, 0x1A};
constexpr char16_t kInputRefusal[] = u"Please enter a whole number within the range shown.";
constexpr char16_t kSettingsApplied[] = u"The settings were applied.";
constexpr char16_t kSettingsNotConfirmed[] = u"The printer did not confirm the settings.";

// Passes everything to the simulated printer and notes whether the busy cursor was up while
// the program wrote to it.
class BusyWatchingDevice : public qv::device::Device {
  public:
    explicit BusyWatchingDevice(std::shared_ptr<qv::sim::SimulatedPrinter> printer)
        : printer_(std::move(printer)) {}
    std::optional<std::string> find() override { return printer_->find(); }
    qv::device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                                  std::chrono::milliseconds wait) override {
        writesWhileBusy += uit::busyCursorShown() ? 1 : 0;
        writesWhileIdle += uit::busyCursorShown() ? 0 : 1;
        return printer_->write(path, bytes, wait);
    }
    qv::device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                                std::chrono::milliseconds wait, std::size_t& received) override {
        return printer_->read(path, buffer, wait, received);
    }
    int writesWhileBusy = 0;
    int writesWhileIdle = 0;

  private:
    std::shared_ptr<qv::sim::SimulatedPrinter> printer_;
};

class PrinterSetDialogTest : public test::DialogTest {
  protected:
    // Opens Set Printer with the main dialog's button and runs drive while it is shown; false
    // when it never showed.
    bool withDialog(const std::function<void(DialogBase& dialog)>& drive) {
        test::MainDialogHost host;
        bool shown = false;
        uit::setModalHook([&](DialogBase& dialog) {
            shown = true;
            ownerBlocked_ = !isWindowEnabled(host.dialog().hwnd());
            ownerWindow_ = host.dialog().hwnd();
            drive(dialog);
        });
        EXPECT_TRUE(host.press(IDC_BUTTON_SET_PRINTER));
        uit::setModalHook(nullptr);
        return shown;
    }

    static DialogBase& page(int templateId) {
        DialogBase* found = uit::findDialog(templateId);
        if (found == nullptr) {
            throw std::runtime_error("page " + std::to_string(templateId) + " is not there");
        }
        return *found;
    }
    static int selection(int templateId, int listId) {
        return ComboBox(page(templateId).getDlgItem(listId)).getCurSel();
    }
    // The entry a list shows, empty without a choice.
    static std::u16string chosen(int templateId, int listId) {
        const ComboBox list(page(templateId).getDlgItem(listId));
        return list.getLBText(list.getCurSel());
    }
    // Clicks the page's tab, then the button, as an operator must.
    static bool pressOnPage(DialogBase& dialog, int templateId, int button) {
        uit::clickTab(dialog, IDC_TAB_PRINTER_SET, templateId - IDD_PRINT_SETTING);
        return uit::click(page(templateId), button);
    }
    static bool visible(int templateId) { return isWindowVisible(page(templateId).hwnd()); }

    // The command packets of one group the printer received (lead-in included).
    std::vector<Bytes> commandsOfGroup(uint8_t group) {
        std::vector<Bytes> found;
        for (const Bytes& packet : commandsReceived()) {
            if (packet.size() >= 5 && std::equal(kLeadIn.begin(), kLeadIn.end(), packet.begin()) &&
                packet[3] == group) {
                found.push_back(packet);
            }
        }
        return found;
    }
    // The print settings written (group 0, fifteen bytes).
    std::vector<Bytes> settingsWritten() {
        std::vector<Bytes> found;
        for (const Bytes& packet : commandsOfGroup(0x00)) {
            if (packet[4] == 0x0F) {
                found.push_back(packet);
            }
        }
        return found;
    }

    // The library's own text for its last error, as the pages must show it.
    static std::u16string libraryErrorText() {
        std::array<QVWCHAR, 260> text{};
        BaseGetQVErrorString(BaseGetQVError(), text.data());
        return text.data();
    }

    PrintSettingParam& settings() { return printerState().settings; }

    bool ownerBlocked_ = false;
    HWND ownerWindow_ = nullptr;
};

// --- The dialog ---------------------------------------------------------------------------

TEST_F(PrinterSetDialogTest, Opens_FourTabsFirstPageShownOverItsBlockedOwner) {
    ASSERT_TRUE(withDialog([](DialogBase& dialog) {
        EXPECT_EQ(uit::windowText(dialog.hwnd()), u"Set Printer");
        const TabCtrl tabs(dialog.getDlgItem(IDC_TAB_PRINTER_SET));
        ASSERT_EQ(tabs.getItemCount(), 4);
        EXPECT_EQ(tabs.getItemText(0), u"Print Settings");
        EXPECT_EQ(tabs.getItemText(1), u"User Settings");
        EXPECT_EQ(tabs.getItemText(2), u"Location");
        EXPECT_EQ(tabs.getItemText(3), u"Test");
        EXPECT_EQ(tabs.getCurSel(), 0);
        EXPECT_TRUE(visible(204));
        EXPECT_FALSE(visible(205));
        EXPECT_FALSE(visible(206));
        EXPECT_FALSE(visible(207));
    }));
    EXPECT_TRUE(ownerBlocked_);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(PrinterSetDialogTest, CentredOverItsOwner) {
    RECT dialogRect{};
    RECT ownerRect{};
    ASSERT_TRUE(withDialog([&](DialogBase& dialog) {
        dialogRect = uit::screenRect(dialog.hwnd());
        ownerRect = uit::screenRect(ownerWindow_);
    }));
    EXPECT_NEAR((dialogRect.left + dialogRect.right) / 2.0,
                (ownerRect.left + ownerRect.right) / 2.0, 2);
    EXPECT_NEAR((dialogRect.top + dialogRect.bottom) / 2.0,
                (ownerRect.top + ownerRect.bottom) / 2.0, 2);
}

TEST_F(PrinterSetDialogTest, Pages_FillTheTabControlBelowItsHeaders) {
    withDialog([](DialogBase& dialog) {
        const RECT tabs = uit::screenRect(dialog.getDlgItem(IDC_TAB_PRINTER_SET));
        for (int id = 204; id <= 207; ++id) {
            const RECT p = uit::screenRect(page(id).hwnd());
            EXPECT_EQ(p.left, tabs.left) << id;
            EXPECT_EQ(p.right, tabs.right) << id;
            EXPECT_EQ(p.top, tabs.top + kTabHeaderHeight) << id;
            EXPECT_EQ(p.bottom, tabs.bottom) << id;
        }
    });
}

TEST_F(PrinterSetDialogTest, Background_PowderBlueAroundTheTabsWhilePagesKeepTheirColour) {
    withDialog([](DialogBase& dialog) {
        EXPECT_EQ(uit::backgroundColor(dialog.hwnd()), rgb(176, 224, 230));
        EXPECT_NE(uit::backgroundColor(page(204).hwnd()), rgb(176, 224, 230));
    });
}

TEST_F(PrinterSetDialogTest, TabSwitch_ShowsExactlyThePageOfTheNewTab) {
    withDialog([](DialogBase& dialog) {
        for (int to : {2, 1, 3, 0, 3, 3}) {
            ASSERT_TRUE(uit::clickTab(dialog, IDC_TAB_PRINTER_SET, to));
            for (int tab = 0; tab < 4; ++tab) {
                EXPECT_EQ(visible(204 + tab), tab == to) << "tab " << to << ", page " << tab;
            }
        }
    });
}

TEST_F(PrinterSetDialogTest, EveryOpening_FreshPagesOnTabZeroThatReadThePrinterAgain) {
    withDialog([](DialogBase& dialog) {
        uit::typeText(page(204), IDC_EDIT_LABEL_HEIGHT, u"123");
        uit::chooseListEntry(page(205), IDC_COMBO_USER_BEEP, 1);
        uit::clickTab(dialog, IDC_TAB_PRINTER_SET, 2);
    });
    settings().labelHeight = 250;
    withDialog([](DialogBase& dialog) {
        EXPECT_EQ(TabCtrl(dialog.getDlgItem(IDC_TAB_PRINTER_SET)).getCurSel(), 0);
        EXPECT_TRUE(visible(204));
        EXPECT_FALSE(visible(206));
        EXPECT_EQ(page(204).getDlgItemText(IDC_EDIT_LABEL_HEIGHT), u"250");
        EXPECT_EQ(selection(205, IDC_COMBO_USER_BEEP), 0);
    });
    EXPECT_EQ(commandsOfGroup(0x05).size(), 2U) << "one settings read per opening";
    EXPECT_TRUE(settingsWritten().empty()) << "closing applies nothing";
}

TEST_F(PrinterSetDialogTest, Closing_EscapeAndCloseBoxGive2EnterOnTheTabsGives1) {
    test::MainDialogHost host;
    const auto runWith = [&host](const std::function<void(DialogBase&)>& close) {
        uit::setModalHook(close);
        CPrinterSetDlg dlg;
        return dlg.doModal(host.dialog().hwnd());
    };
    EXPECT_EQ(runWith([](DialogBase& d) { uit::pressKey(d, VK_ESCAPE); }), 2);
    EXPECT_EQ(runWith([](DialogBase& d) { uit::closeBox(d); }), 2);
    EXPECT_EQ(runWith([](DialogBase& d) {
                  ASSERT_TRUE(uit::focusControl(d, IDC_TAB_PRINTER_SET));
                  uit::pressKey(d, VK_RETURN);
              }),
              1);
    EXPECT_EQ(runWith([](DialogBase& d) {
                  uit::typeText(page(204), IDC_EDIT_LABEL_HEIGHT, u"35");
                  uit::pressKey(d, VK_ESCAPE);
              }),
              2);
    uit::setModalHook(nullptr);
    EXPECT_TRUE(settingsWritten().empty());
    EXPECT_TRUE(isWindowEnabled(host.dialog().hwnd()));
}

TEST_F(PrinterSetDialogTest, Keyboard_CtrlTabPagesThroughTheTabsBothWays) {
    withDialog([](DialogBase& dialog) {
        ASSERT_TRUE(uit::focusControl(page(204), IDC_EDIT_LABEL_HEIGHT));
        const TabCtrl tabs(dialog.getDlgItem(IDC_TAB_PRINTER_SET));
        uit::pressKey(dialog, VK_TAB, true);
        EXPECT_EQ(tabs.getCurSel(), 1);
        EXPECT_TRUE(visible(205));
        EXPECT_FALSE(visible(204));
        uit::pressKey(dialog, VK_TAB, true, true);
        uit::pressKey(dialog, VK_TAB, true, true);
        EXPECT_EQ(tabs.getCurSel(), 3) << "back past the first tab to the last";
        EXPECT_TRUE(visible(207));
        EXPECT_FALSE(visible(205));
    });
}

TEST_F(PrinterSetDialogTest, Keyboard_TabFollowsTheTemplateOrder) {
    settings().preventSticker = 1;
    withDialog([](DialogBase& dialog) {
        DialogBase& p = page(204);
        ASSERT_TRUE(uit::focusControl(p, IDC_EDIT_PRINT_TO_STOP));
        for (int next : {IDC_EDIT_VERTICAL_ORIGIN, IDC_EDIT_H_ORIGIN, IDC_COMBO_PRINT_TYPE,
                         IDC_COMBO_POWER_ON_POSITION, IDC_EDIT_LABEL_HEIGHT}) {
            uit::pressKey(dialog, VK_TAB);
            EXPECT_TRUE(uit::hasFocus(p.getDlgItem(next))) << next;
        }
        ASSERT_TRUE(uit::focusControl(p, IDC_BUTTON_PRINT_SETTING_SET));
        uit::pressKey(dialog, VK_TAB);
        EXPECT_TRUE(uit::hasFocus(p.getDlgItem(IDC_EDIT_PREVENT_TIME)));
        uit::pressKey(dialog, VK_TAB, false, true);
        EXPECT_TRUE(uit::hasFocus(p.getDlgItem(IDC_BUTTON_PRINT_SETTING_SET)));
    });
}

TEST_F(PrinterSetDialogTest, Keyboard_FocusStartsInTheShownPagesFirstFieldWhereEnterKeepsIt) {
    withDialog([this](DialogBase& dialog) {
        // The dialog's only control, the tab control, is no tab stop: the default focus goes
        // into the page it shows, not to a field of the hidden pages created after it.
        EXPECT_TRUE(uit::hasFocus(page(204).getDlgItem(IDC_EDIT_PRINT_TO_STOP)));
        EXPECT_FALSE(uit::hasFocus(dialog.getDlgItem(IDC_TAB_PRINTER_SET)));
        uit::pressKey(dialog, VK_RETURN);
        EXPECT_TRUE(isWindowVisible(dialog.hwnd())) << "Enter on opening closed the dialog";
        EXPECT_TRUE(settingsWritten().empty());
    });
}

TEST_F(PrinterSetDialogTest, Keyboard_EnterInAFieldKeepsTheDialogEnterOnSetPressesIt) {
    withDialog([this](DialogBase& dialog) {
        ASSERT_TRUE(uit::focusControl(page(204), IDC_EDIT_LABEL_HEIGHT));
        uit::pressKey(dialog, VK_RETURN);
        EXPECT_TRUE(isWindowVisible(dialog.hwnd())) << "Enter in a field closed the dialog";
        EXPECT_TRUE(boxes_.empty());
        EXPECT_TRUE(settingsWritten().empty());

        ASSERT_TRUE(uit::focusControl(page(204), IDC_BUTTON_PRINT_SETTING_SET));
        uit::pressKey(dialog, VK_RETURN);
        EXPECT_TRUE(isWindowVisible(dialog.hwnd()));
        EXPECT_EQ(settingsWritten().size(), 1U);
        ASSERT_EQ(boxes_.size(), 1U);
        EXPECT_EQ(boxes_[0].caption, u"INFO");
    });
}

TEST_F(PrinterSetDialogTest, Keyboard_EscapeInAPageEndsTheDialogWith2) {
    test::MainDialogHost host;
    uit::setModalHook([](DialogBase&) {
        ASSERT_TRUE(uit::focusControl(page(204), IDC_COMBO_DARKNESS));
        uit::pressKey(*uit::findDialog(IDD_PRINTER_SET), VK_ESCAPE);
    });
    CPrinterSetDlg dlg;
    EXPECT_EQ(dlg.doModal(host.dialog().hwnd()), 2);
    uit::setModalHook(nullptr);
    EXPECT_TRUE(settingsWritten().empty());
}

TEST_F(PrinterSetDialogTest, FieldsAndListsAreLabelledByTheLabelBesideThem) {
    withDialog([](DialogBase&) {
        const auto label = [](int pageId, int id) {
            return uit::accessibleLabel(page(pageId).getDlgItem(id));
        };
        EXPECT_EQ(label(204, IDC_COMBO_PRINT_TYPE), u"Print Type:");
        EXPECT_EQ(label(204, IDC_EDIT_LABEL_HEIGHT), u"Label Height:");
        EXPECT_EQ(label(204, IDC_COMBO_DARKNESS), u"Darkness Setting:");
        EXPECT_EQ(label(204, IDC_EDIT_H_ORIGIN), u"Horizontal Origin:");
        EXPECT_EQ(label(204, IDC_EDIT_PRINT_TO_STOP), u"Print To Stop:");
        EXPECT_EQ(label(204, IDC_COMBO_PREVENT_STICKER), u"Prevent Glue Paper:");
        EXPECT_EQ(label(204, IDC_EDIT_PREVENT_TIME), u"After printing");
        EXPECT_EQ(label(205, IDC_COMBO_USER_BEEP), u"Beep:");
        // A field reads as its label; a list as its entry, with the label beside it.
        EXPECT_EQ(uit::accessibleName(page(204).getDlgItem(IDC_EDIT_VERTICAL_ORIGIN)),
                  u"Vertical Origin:");
    });
}

TEST_F(PrinterSetDialogTest, NoPrinter_OneErrorBoxFromThePageThenTheDialogWithDefaults) {
    printerFaults().absent = true;
    std::size_t boxesBeforeShown = 0;
    HWND pageWindow = nullptr;
    ASSERT_TRUE(withDialog([&](DialogBase&) {
        boxesBeforeShown = boxes_.size();
        pageWindow = page(204).hwnd();
        DialogBase& p = page(204);
        EXPECT_EQ(chosen(204, IDC_COMBO_PRINT_TYPE), u"Direct Thermal");
        EXPECT_EQ(chosen(204, IDC_COMBO_POWER_ON_POSITION), u"Enable");
        EXPECT_EQ(chosen(204, IDC_COMBO_PAPER_TYPE), u"Label");
        EXPECT_EQ(chosen(204, IDC_COMBO_REPRINT_WHEN_ERROR), u"Enable");
        EXPECT_EQ(chosen(204, IDC_COMBO_PREVENT_STICKER), u"Disable");
        EXPECT_EQ(chosen(204, IDC_COMBO_SPECIAL_LABEL), u"Disable");
        EXPECT_EQ(chosen(204, IDC_COMBO_PRINT_SPEED), u"5");
        EXPECT_EQ(chosen(204, IDC_COMBO_DARKNESS), u"8");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_LABEL_HEIGHT), u"400");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_H_ORIGIN), u"0");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_VERTICAL_ORIGIN), u"0");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_PRINT_TO_STOP), u"0");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_PREVENT_TIME), u"0");
        EXPECT_FALSE(isWindowEnabled(p.getDlgItem(IDC_EDIT_PREVENT_TIME)));
        EXPECT_EQ(p.getDlgItemText(IDC_STATIC_LABEL_HEIGHT), u"Label Height:");
        EXPECT_EQ(p.getDlgItemText(IDC_BUTTON_PRINT_SETTING_SET), u"Set");
    }));
    EXPECT_EQ(boxesBeforeShown, 1U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, u"No USB printer was found.");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_EQ(boxes_[0].owner, pageWindow);
}

// --- Print settings page: what it shows ---------------------------------------------------

TEST_F(PrinterSetDialogTest, PrintSettings_ShowTheStoredValues) {
    settings().printType = 1;
    settings().powerOnPosition = 0;
    settings().labelHeight = 30;
    settings().paperType = 2;
    settings().reprintWhenError = 0;
    settings().specialLabel = 1;
    settings().printSpeed = 9;
    settings().darkness = 15;
    settings().hOrigin = 89;
    settings().verticalOrigin = 7;
    settings().printToStop = -89;
    settings().preventSticker = 1;
    settings().preventTime = 45;
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        EXPECT_EQ(chosen(204, IDC_COMBO_PRINT_TYPE), u"Ribbon");
        EXPECT_EQ(chosen(204, IDC_COMBO_POWER_ON_POSITION), u"Disable");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_LABEL_HEIGHT), u"30");
        EXPECT_EQ(chosen(204, IDC_COMBO_PAPER_TYPE), u"Black Mark");
        EXPECT_EQ(chosen(204, IDC_COMBO_REPRINT_WHEN_ERROR), u"Disable");
        EXPECT_EQ(chosen(204, IDC_COMBO_SPECIAL_LABEL), u"Enable");
        EXPECT_EQ(chosen(204, IDC_COMBO_PRINT_SPEED), u"9");
        EXPECT_EQ(chosen(204, IDC_COMBO_DARKNESS), u"15");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_H_ORIGIN), u"89");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_VERTICAL_ORIGIN), u"7");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_PRINT_TO_STOP), u"-89");
        EXPECT_EQ(chosen(204, IDC_COMBO_PREVENT_STICKER), u"Enable");
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_PREVENT_TIME), u"45");
        EXPECT_TRUE(isWindowEnabled(p.getDlgItem(IDC_EDIT_PREVENT_TIME)));
        // The hints keep their template texts.
        EXPECT_EQ(p.getDlgItemText(IDC_STATIC_HINT_LABEL_HEIGHT), u"(30-400)mm");
        EXPECT_EQ(p.getDlgItemText(IDC_STATIC_HINT_PRINT_TO_STOP), u"(-89-89)");
    });
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(PrinterSetDialogTest, PreventGlueList_SwitchesTheTimeFieldAtOnceKeepingItsText) {
    settings().preventTime = 30;
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        HWND field = p.getDlgItem(IDC_EDIT_PREVENT_TIME);
        EXPECT_FALSE(isWindowEnabled(field));
        ASSERT_TRUE(uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 1));
        EXPECT_TRUE(isWindowEnabled(field));
        ASSERT_TRUE(uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 0));
        EXPECT_FALSE(isWindowEnabled(field));
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_PREVENT_TIME), u"30");
    });
}

// --- Print settings page: Set -------------------------------------------------------------

TEST_F(PrinterSetDialogTest, Set_SendsWhatThePageShowsAndReportsTheAcknowledgement) {
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        uit::chooseListEntry(p, IDC_COMBO_PRINT_TYPE, 1);
        uit::chooseListEntry(p, IDC_COMBO_POWER_ON_POSITION, 0);
        uit::typeText(p, IDC_EDIT_LABEL_HEIGHT, u"030");
        uit::chooseListEntry(p, IDC_COMBO_PAPER_TYPE, 2);
        uit::chooseListEntry(p, IDC_COMBO_REPRINT_WHEN_ERROR, 0);
        uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 1);
        uit::chooseListEntry(p, IDC_COMBO_SPECIAL_LABEL, 1);
        uit::chooseListEntry(p, IDC_COMBO_PRINT_SPEED, 9);
        uit::chooseListEntry(p, IDC_COMBO_DARKNESS, 15);
        uit::typeText(p, IDC_EDIT_H_ORIGIN, u"89");
        uit::typeText(p, IDC_EDIT_VERTICAL_ORIGIN, u"12");
        uit::typeText(p, IDC_EDIT_PRINT_TO_STOP, u"-5");
        uit::typeText(p, IDC_EDIT_PREVENT_TIME, u"255");
        ASSERT_TRUE(uit::click(p, IDC_BUTTON_PRINT_SETTING_SET));
        // The page stays as it was.
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_LABEL_HEIGHT), u"030");
    });
    ASSERT_EQ(settingsWritten().size(), 1U);
    EXPECT_EQ(settingsWritten()[0], (Bytes{0x1F, 0x1B, 0x1A, 0x00, 0x0F, 1,  0,    30,   0,   2, 0,
                                           1,    1,    9,    15,   89,   12, 0x85, 0xFF, 0x00}));
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, kSettingsApplied);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
    EXPECT_EQ(settings().labelHeight, 30);
    EXPECT_EQ(settings().printToStop, -5);
    EXPECT_EQ(commandsOfGroup(0x05).size(), 1U) << "the printer is not read again";
}

TEST_F(PrinterSetDialogTest, Set_LabelHeight400GoesLowByteFirst) {
    withDialog([](DialogBase&) { uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET); });
    ASSERT_EQ(settingsWritten().size(), 1U);
    EXPECT_EQ(settingsWritten()[0][7], 0x90);
    EXPECT_EQ(settingsWritten()[0][8], 0x01);
}

struct StopCase {
    const char16_t* typed;
    uint8_t sent;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << "typed ";
    for (const char16_t* p = c.typed; *p != 0; ++p) {
        *os << static_cast<char>(*p);
    }
}

class PrintToStopTest : public PrinterSetDialogTest,
                        public ::testing::WithParamInterface<StopCase> {};

TEST_P(PrintToStopTest, SentInSignAndMagnitude) {
    withDialog([](DialogBase&) {
        uit::typeText(page(204), IDC_EDIT_PRINT_TO_STOP, GetParam().typed);
        uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET);
    });
    ASSERT_EQ(settingsWritten().size(), 1U);
    EXPECT_EQ(settingsWritten()[0][17], GetParam().sent);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

INSTANTIATE_TEST_SUITE_P(Values, PrintToStopTest,
                         ::testing::Values(StopCase{u"-89", 0xD9}, StopCase{u"-0", 0x00},
                                           StopCase{u"0", 0x00}, StopCase{u"89", 0x59},
                                           StopCase{u"-1", 0x81}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

struct InputCase {
    int field;
    const char16_t* typed;
};

void PrintTo(const InputCase& c, std::ostream* os) {
    *os << "field " << c.field << " \"";
    for (const char16_t* p = c.typed; *p != 0; ++p) {
        *os << static_cast<char>(*p < 128 ? *p : '?');
    }
    *os << "\"";
}

class RefusedInputTest : public PrinterSetDialogTest,
                         public ::testing::WithParamInterface<InputCase> {};

TEST_P(RefusedInputTest, OneRefusalBoxAndNothingSent) {
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        // The time field is checked even while it takes no input.
        ASSERT_TRUE(uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 1));
        uit::typeText(p, GetParam().field, GetParam().typed);
        ASSERT_TRUE(uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 0));
        uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
        EXPECT_EQ(p.getDlgItemText(GetParam().field), GetParam().typed) << "the text stays";
    });
    EXPECT_TRUE(settingsWritten().empty());
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, kInputRefusal);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedInputTest,
    ::testing::Values(
        InputCase{IDC_EDIT_LABEL_HEIGHT, u"29"}, InputCase{IDC_EDIT_LABEL_HEIGHT, u"401"},
        InputCase{IDC_EDIT_LABEL_HEIGHT, u""}, InputCase{IDC_EDIT_LABEL_HEIGHT, u"99999999999"},
        InputCase{IDC_EDIT_LABEL_HEIGHT, u"4294967326"}, InputCase{IDC_EDIT_LABEL_HEIGHT, u" 30"},
        InputCase{IDC_EDIT_LABEL_HEIGHT, u"30 "}, InputCase{IDC_EDIT_LABEL_HEIGHT, u"+30"},
        InputCase{IDC_EDIT_LABEL_HEIGHT, u"3O"}, InputCase{IDC_EDIT_LABEL_HEIGHT, u"-30"},
        InputCase{IDC_EDIT_LABEL_HEIGHT, u"\uFF13\uFF10"}, InputCase{IDC_EDIT_PREVENT_TIME, u"256"},
        InputCase{IDC_EDIT_PREVENT_TIME, u""}, InputCase{IDC_EDIT_H_ORIGIN, u"-1"},
        InputCase{IDC_EDIT_H_ORIGIN, u"90"}, InputCase{IDC_EDIT_VERTICAL_ORIGIN, u"-0"},
        InputCase{IDC_EDIT_VERTICAL_ORIGIN, u"90"}, InputCase{IDC_EDIT_PRINT_TO_STOP, u"-"},
        InputCase{IDC_EDIT_PRINT_TO_STOP, u"--5"}, InputCase{IDC_EDIT_PRINT_TO_STOP, u"5-"},
        InputCase{IDC_EDIT_PRINT_TO_STOP, u"+5"}, InputCase{IDC_EDIT_PRINT_TO_STOP, u" 5"},
        InputCase{IDC_EDIT_PRINT_TO_STOP, u"-90"}, InputCase{IDC_EDIT_PRINT_TO_STOP, u"90"},
        InputCase{IDC_EDIT_PRINT_TO_STOP, u"-99999999999"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

class AcceptedInputTest : public PrinterSetDialogTest,
                          public ::testing::WithParamInterface<InputCase> {};

TEST_P(AcceptedInputTest, RangeEndsAreIncluded) {
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 1);
        uit::typeText(p, GetParam().field, GetParam().typed);
        uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
    });
    EXPECT_EQ(settingsWritten().size(), 1U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

INSTANTIATE_TEST_SUITE_P(
    RangeEnds, AcceptedInputTest,
    ::testing::Values(InputCase{IDC_EDIT_LABEL_HEIGHT, u"30"},
                      InputCase{IDC_EDIT_LABEL_HEIGHT, u"400"},
                      InputCase{IDC_EDIT_LABEL_HEIGHT, u"0000000000000000000000000400"},
                      InputCase{IDC_EDIT_PREVENT_TIME, u"0"},
                      InputCase{IDC_EDIT_PREVENT_TIME, u"255"}, InputCase{IDC_EDIT_H_ORIGIN, u"89"},
                      InputCase{IDC_EDIT_VERTICAL_ORIGIN, u"0"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(PrinterSetDialogTest, Set_SeveralFaultyFieldsGiveOneBox) {
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        uit::typeText(p, IDC_EDIT_LABEL_HEIGHT, u"1");
        uit::typeText(p, IDC_EDIT_H_ORIGIN, u"x");
        uit::typeText(p, IDC_EDIT_PRINT_TO_STOP, u"");
        uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
    });
    EXPECT_EQ(boxes_.size(), 1U);
    EXPECT_TRUE(settingsWritten().empty());
}

TEST_F(PrinterSetDialogTest, Set_TextLongerThanTheBufferIsRefusedNotCut) {
    // Cut to the 259 units read, each would be a string of zeros, a valid time.
    for (const std::u16string& typed :
         {std::u16string(259, u'0') + u"5", std::u16string(258, u'0') + u"\U0001F600"}) {
        withDialog([&typed](DialogBase&) {
            uit::chooseListEntry(page(204), IDC_COMBO_PREVENT_STICKER, 1);
            uit::typeText(page(204), IDC_EDIT_PREVENT_TIME, typed);
            uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET);
        });
    }
    EXPECT_TRUE(settingsWritten().empty());
    ASSERT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(boxes_[0].text, kInputRefusal);
    EXPECT_EQ(boxes_[1].text, kInputRefusal);
}

TEST_F(PrinterSetDialogTest, StoredPreventTimeAbove255_ShownThenRefusedUntilCorrected) {
    settings().preventSticker = 0;
    settings().preventTime = 300;
    withDialog([this](DialogBase&) {
        DialogBase& p = page(204);
        EXPECT_EQ(p.getDlgItemText(IDC_EDIT_PREVENT_TIME), u"300");
        EXPECT_FALSE(isWindowEnabled(p.getDlgItem(IDC_EDIT_PREVENT_TIME)));
        uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
        EXPECT_TRUE(settingsWritten().empty());
        ASSERT_EQ(boxes_.size(), 1U);
        EXPECT_EQ(boxes_[0].text, kInputRefusal);

        uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 1);
        uit::typeText(p, IDC_EDIT_PREVENT_TIME, u"200");
        uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
    });
    ASSERT_EQ(settingsWritten().size(), 1U);
    EXPECT_EQ(settingsWritten()[0][18], 200);
    ASSERT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(boxes_[1].caption, u"INFO");
}

TEST_F(PrinterSetDialogTest, StoredValueBeyondAList_LeavesItEmptyAndSetRefuses) {
    settings().printSpeed = 12;
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        EXPECT_EQ(selection(204, IDC_COMBO_PRINT_SPEED), -1);
        EXPECT_EQ(chosen(204, IDC_COMBO_PRINT_SPEED), u"");
        uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
    });
    EXPECT_TRUE(settingsWritten().empty());
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, kInputRefusal);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_F(PrinterSetDialogTest, Set_UnacknowledgedGivesTheFailureBox) {
    printerFaults().wrongAck = true;
    withDialog([](DialogBase&) { uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET); });
    EXPECT_EQ(settingsWritten().size(), 1U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, kSettingsNotConfirmed);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_F(PrinterSetDialogTest, Set_AcknowledgementOnTheThirdReadStillCounts) {
    printerFaults().ackOnRead = 3;
    withDialog([](DialogBase&) { uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET); });
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, kSettingsApplied);
}

TEST_F(PrinterSetDialogTest, Set_BusyCursorWhileSendingNotWhileTheBoxIsUp) {
    auto device = std::make_shared<BusyWatchingDevice>(printer_);
    qv::device::install(device);
    std::vector<bool> busyAtBox;
    uit::setMessageBoxHook(
        [&busyAtBox](const uit::MessageBoxCall&) { busyAtBox.push_back(uit::busyCursorShown()); });
    withDialog([](DialogBase& dialog) {
        ASSERT_TRUE(uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET));
        ASSERT_TRUE(pressOnPage(dialog, 205, IDC_BUTTON_USER_DEF_SET_DEFAULT));
    });
    EXPECT_EQ(device->writesWhileIdle, 0);
    EXPECT_GE(device->writesWhileBusy, 3) << "settings read, settings write, restore";
    EXPECT_EQ(busyAtBox, (std::vector<bool>{false, false}));
    EXPECT_FALSE(uit::busyCursorShown());
}

// --- Every button's command and its outcome -----------------------------------------------

struct ButtonCase {
    const char* name;
    int page;
    int button;
    Bytes packet;
    const char16_t* acknowledged;
    const char16_t* notAcknowledged;
};

void PrintTo(const ButtonCase& c, std::ostream* os) {
    *os << c.name;
}

class PageButtonTest : public PrinterSetDialogTest,
                       public ::testing::WithParamInterface<ButtonCase> {
  protected:
    void press() {
        withDialog([](DialogBase& dialog) {
            ASSERT_TRUE(pressOnPage(dialog, GetParam().page, GetParam().button));
        });
    }
    std::size_t timesSent() {
        const auto all = commandsReceived();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), GetParam().packet));
    }
};

TEST_P(PageButtonTest, Acknowledged_SendsItsCommandAndSaysSo) {
    press();
    EXPECT_EQ(timesSent(), 1U);
    ASSERT_EQ(boxes_.size(), 1U) << "no question before, one box after";
    EXPECT_EQ(boxes_[0].text, GetParam().acknowledged);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

TEST_P(PageButtonTest, NotAcknowledged_ItsFailureText) {
    printerFaults().wrongAck = true;
    press();
    EXPECT_EQ(timesSent(), 1U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, GetParam().notAcknowledged);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
}

TEST_P(PageButtonTest, Unplugged_LibraryErrorAndNoAcknowledgementAwaited) {
    HWND pageWindow = nullptr;
    int readsAtPress = 0;
    withDialog([&](DialogBase& dialog) {
        uit::clickTab(dialog, IDC_TAB_PRINTER_SET, GetParam().page - 204);
        pageWindow = page(GetParam().page).hwnd();
        boxes_.clear();
        printerFaults().unopenable = true;
        readsAtPress = printer_->reads();
        ASSERT_TRUE(uit::click(page(GetParam().page), GetParam().button));
    });
    EXPECT_EQ(printer_->reads(), readsAtPress) << "nothing to acknowledge";
    EXPECT_EQ(timesSent(), 0U);
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, libraryErrorText());
    EXPECT_NE(boxes_[0].text, u"");
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_EQ(boxes_[0].owner, pageWindow);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, PageButtonTest,
    ::testing::Values(ButtonCase{"PrintSettingsSet", 204, IDC_BUTTON_PRINT_SETTING_SET,
                                 Bytes{0x1F, 0x1B, 0x1A, 0x00, 0x0F, 0, 1, 0x90, 0x01, 1,
                                       1,    0,    0,    5,    8,    0, 0, 0,    0,    0},
                                 kSettingsApplied, kSettingsNotConfirmed},
                      ButtonCase{"BeeperSet", 205, IDC_BUTTON_USER_BEEP_SET,
                                 Bytes{0x1F, 0x1B, 0x1A, 0x01, 0x02, 0x00, 0x00}, kSettingsApplied,
                                 kSettingsNotConfirmed},
                      ButtonCase{"FactoryRestore", 205, IDC_BUTTON_USER_DEF_SET_DEFAULT,
                                 Bytes{0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01},
                                 u"The factory settings were restored.",
                                 u"Restoring the factory settings failed."},
                      ButtonCase{"LabelAutoLearn", 206, IDC_BUTTON_LABEL_AUTO_LEARN,
                                 Bytes{0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x00},
                                 u"The operation succeeded.", u"The operation failed."},
                      ButtonCase{"LackPaperLearn", 206, IDC_BUTTON_LACK_PAPER_LEARN,
                                 Bytes{0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x02},
                                 u"The operation succeeded.", u"The operation failed."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrinterSetDialogTest, LabelAutoLearn_PrinterNotReadyRefusesWithTheLibraryText) {
    printerState().status = 0x08;  // out of paper
    withDialog([](DialogBase& dialog) {
        ASSERT_TRUE(pressOnPage(dialog, 206, IDC_BUTTON_LABEL_AUTO_LEARN));
    });
    EXPECT_TRUE(commandsOfGroup(0x03).empty()) << "no learning packet";
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, libraryErrorText());
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_EQ(printerState().labelLearnings, 0);
}

TEST_F(PrinterSetDialogTest, Beeper_ListOrderIsDisableEnableAndTheChoiceIsSent) {
    withDialog([](DialogBase& dialog) {
        DialogBase& p = page(205);
        EXPECT_EQ(chosen(205, IDC_COMBO_USER_BEEP), u"Disable");
        uit::chooseListEntry(p, IDC_COMBO_USER_BEEP, 1);
        EXPECT_EQ(chosen(205, IDC_COMBO_USER_BEEP), u"Enable");
        ASSERT_TRUE(pressOnPage(dialog, 205, IDC_BUTTON_USER_BEEP_SET));
    });
    ASSERT_FALSE(commandsOfGroup(0x01).empty());
    EXPECT_EQ(commandsOfGroup(0x01).back(), (Bytes{0x1F, 0x1B, 0x1A, 0x01, 0x02, 0x00, 0x01}));
    EXPECT_EQ(printerState().buzzer, 1);
}

TEST_F(PrinterSetDialogTest, Beeper_InChineseDisableStillSends0AndEnable1) {
    useLocale("zh_CN.UTF-8");
    std::vector<std::u16string> shown;
    withDialog([&shown](DialogBase& dialog) {
        DialogBase& p = page(205);
        shown.push_back(chosen(205, IDC_COMBO_USER_BEEP));
        ASSERT_TRUE(pressOnPage(dialog, 205, IDC_BUTTON_USER_BEEP_SET));
        uit::chooseListEntry(p, IDC_COMBO_USER_BEEP, 1);
        shown.push_back(chosen(205, IDC_COMBO_USER_BEEP));
        ASSERT_TRUE(uit::click(p, IDC_BUTTON_USER_BEEP_SET));
    });
    EXPECT_EQ(shown, (std::vector<std::u16string>{u16("禁用"), u16("启用")}));
    const auto sent = commandsOfGroup(0x01);
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0].back(), 0) << "disable";
    EXPECT_EQ(sent[1].back(), 1) << "enable";
    ASSERT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(boxes_[0].caption, u"INFO");
}

TEST_F(PrinterSetDialogTest, Chinese_TabsCaptionAndPageTexts) {
    useLocale("zh_CN.UTF-8");
    withDialog([](DialogBase& dialog) {
        EXPECT_EQ(uit::windowText(dialog.hwnd()), u16("打印机设置"));
        const TabCtrl tabs(dialog.getDlgItem(IDC_TAB_PRINTER_SET));
        EXPECT_EQ(tabs.getItemText(0), u16("打印设置"));
        EXPECT_EQ(tabs.getItemText(2), u16("定位"));
        EXPECT_EQ(page(206).getDlgItemText(IDC_STATIC_LACK_PAPER_LEARN), u16("缺纸学习："));
        EXPECT_EQ(page(204).getDlgItemText(IDC_STATIC_HINT_H_ORIGIN), u"(0-89)");
    });
}

// The catalog lacks the ids listed in tests/CMakeLists.txt (partial catalog).
class PrinterSetPartialCatalogTest : public PrinterSetDialogTest {
  protected:
    void SetUp() override {
        PrinterSetDialogTest::SetUp();
        app::setCatalogFolderForTesting(QV_PARTIAL_CATALOG_DIR);
    }
};

TEST_F(PrinterSetPartialCatalogTest, UntranslatedTabRepeatsTheTabBeforeIt) {
    withDialog([](DialogBase& dialog) {
        const TabCtrl tabs(dialog.getDlgItem(IDC_TAB_PRINTER_SET));
        EXPECT_EQ(tabs.getItemText(0), u"Print Settings");
        EXPECT_EQ(tabs.getItemText(1), u"Print Settings");
        EXPECT_EQ(tabs.getItemText(2), u"Location");
    });
}

TEST_F(PrinterSetPartialCatalogTest, UntranslatedEntriesAndLabelsRepeatTheirBufferOrAreEmpty) {
    settings().printType = 0;        // "Direct Thermal" untranslated, first lookup: empty
    settings().powerOnPosition = 1;  // "Enable" untranslated: repeats "Disable" before it
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        EXPECT_EQ(chosen(204, IDC_COMBO_PRINT_TYPE), u"");
        EXPECT_EQ(chosen(204, IDC_COMBO_POWER_ON_POSITION), u"Disable");
        EXPECT_EQ(p.getDlgItemText(IDC_STATIC_LABEL_HEIGHT), u"Automatic position when power on:");
    });
}

// --- Against the printer served on a pty, through the real device layer -------------------
// (On Windows: the simulated printer the environment selects, as the program finds it.)

#ifdef _WIN32
using PrinterProcess = test::SimulatorPrinterProcess;
#else
using PrinterProcess = qv::testing::PtyPrinterProcess;
#endif

class PrinterSetPtyTest : public PrinterSetDialogTest {
  protected:
    void SetUp() override {
        PrinterSetDialogTest::SetUp();
        pty_ = std::make_unique<PrinterProcess>();
#ifdef _WIN32
        ::setenv("QV410_DEVICE", "simulator", 1);
#else
        ::unsetenv("QV410_DEVICE");
        ::setenv("QV410_ROOT", pty_->root().c_str(), 1);
#endif
        qv::resetLinkStateForTesting();
        qv::device::install(nullptr);
    }
    void TearDown() override {
        ::unsetenv("QV410_ROOT");
        PrinterSetDialogTest::TearDown();
        pty_.reset();
    }
    std::unique_ptr<PrinterProcess> pty_;
};

TEST_F(PrinterSetPtyTest, EveryButtonReachesThePrinterAndIsAcknowledged) {
    ASSERT_TRUE(withDialog([](DialogBase& dialog) {
        EXPECT_EQ(page(204).getDlgItemText(IDC_EDIT_LABEL_HEIGHT), u"400");
        uit::typeText(page(204), IDC_EDIT_PRINT_TO_STOP, u"-89");
        ASSERT_TRUE(uit::click(page(204), IDC_BUTTON_PRINT_SETTING_SET));
        ASSERT_TRUE(pressOnPage(dialog, 205, IDC_BUTTON_USER_BEEP_SET));
        ASSERT_TRUE(pressOnPage(dialog, 205, IDC_BUTTON_USER_DEF_SET_DEFAULT));
        ASSERT_TRUE(pressOnPage(dialog, 206, IDC_BUTTON_LABEL_AUTO_LEARN));
        ASSERT_TRUE(pressOnPage(dialog, 206, IDC_BUTTON_LACK_PAPER_LEARN));
    }));
    ASSERT_EQ(boxes_.size(), 5U);
    for (const auto& box : boxes_) {
        EXPECT_EQ(box.caption, u"INFO") << std::string(box.text.begin(), box.text.end());
    }
    const std::vector<std::string> received = pty_->received();
    for (const char* sent :
         {"command 1f1b1a000f000190010101000005080000d90000", "command 1f1b1a01020000",
          "command 1f1b1a010101", "command 1f1b1a030100", "command 1f1b1a020102"}) {
        EXPECT_EQ(std::count(received.begin(), received.end(), sent), 1) << sent;
    }
}

TEST_F(PrinterSetPtyTest, UnpluggedWhileOpen_TheLibraryErrorNotAFailedAcknowledgement) {
    withDialog([this](DialogBase& dialog) {
        pty_->control("unplug");
        ASSERT_TRUE(pressOnPage(dialog, 205, IDC_BUTTON_USER_DEF_SET_DEFAULT));
    });
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].caption, u"ERROR");
    EXPECT_EQ(boxes_[0].text, libraryErrorText());
    EXPECT_NE(boxes_[0].text, u"Restoring the factory settings failed.");
}

// --- The print settings page against the one table of settings ----------------------------
// Each control checked against its row of the shared table: a page that spelled a range, an
// entry or a default of its own would differ from it here.

namespace model = qv::model;

struct PageControl {
    int id;
    std::string_view setting;
};
constexpr std::array<PageControl, 13> kPageControls{{
    {IDC_COMBO_PRINT_TYPE, "printType"},
    {IDC_COMBO_POWER_ON_POSITION, "powerOnPosition"},
    {IDC_EDIT_LABEL_HEIGHT, "labelHeight"},
    {IDC_COMBO_PAPER_TYPE, "paperType"},
    {IDC_COMBO_REPRINT_WHEN_ERROR, "reprintWhenError"},
    {IDC_COMBO_PREVENT_STICKER, "preventSticker"},
    {IDC_COMBO_SPECIAL_LABEL, "specialLabel"},
    {IDC_COMBO_PRINT_SPEED, "printSpeed"},
    {IDC_COMBO_DARKNESS, "darkness"},
    {IDC_EDIT_H_ORIGIN, "hOrigin"},
    {IDC_EDIT_VERTICAL_ORIGIN, "verticalOrigin"},
    {IDC_EDIT_PRINT_TO_STOP, "printToStop"},
    {IDC_EDIT_PREVENT_TIME, "preventTime"},
}};

std::u16string catalogText(std::string_view id) {
    std::array<QVWCHAR, 260> text{};
    BaseGetPOText(std::string(id).c_str(), text.data());
    return text.data();
}

TEST_F(PrinterSetDialogTest, Table_ListsHoldTheTableEntriesAndDefaultsWithoutAPrinter) {
    printerFaults().absent = true;
    withDialog([](DialogBase&) {
        DialogBase& p = page(204);
        for (const PageControl& control : kPageControls) {
            const model::PrintSetting& s =
                model::kPrintSettings.at(model::settingIndex(control.setting));
            SCOPED_TRACE(std::string(s.name));
            if (s.control == model::Control::field) {
                EXPECT_EQ(p.getDlgItemText(control.id),
                          u16(std::to_string(s.factoryDefault).c_str()));
                continue;
            }
            const ComboBox list(p.getDlgItem(control.id));
            ASSERT_EQ(list.getCount(), s.max - s.min + 1);
            for (int i = s.min; i <= s.max; ++i) {
                const std::u16string expected =
                    s.wordIds.empty() ? u16(std::to_string(i).c_str())
                                      : catalogText(s.wordIds[static_cast<std::size_t>(i)]);
                EXPECT_EQ(list.getLBText(i), expected) << i;
            }
            EXPECT_EQ(list.getCurSel(), s.factoryDefault);
        }
    });
}

class TableRangeTest : public PrinterSetDialogTest,
                       public ::testing::WithParamInterface<PageControl> {
  protected:
    // Types value into the field and presses Set; the value written, or nothing when refused.
    std::optional<int> setField(int value) {
        printer_->clearReceived();
        boxes_.clear();
        withDialog([value](DialogBase&) {
            DialogBase& p = page(204);
            uit::chooseListEntry(p, IDC_COMBO_PREVENT_STICKER, 1);
            uit::typeText(p, GetParam().id, u16(std::to_string(value).c_str()));
            uit::click(p, IDC_BUTTON_PRINT_SETTING_SET);
        });
        const auto written = settingsWritten();
        if (written.empty()) {
            return std::nullopt;
        }
        std::array<uint8_t, model::kSettingBytes> body{};
        std::copy_n(written.front().begin() + 5, body.size(), body.begin());
        return model::decodeSettings(body, false)[model::settingIndex(GetParam().setting)];
    }
};

TEST_P(TableRangeTest, FieldTakesExactlyTheTableRange) {
    const model::PrintSetting& s =
        model::kPrintSettings.at(model::settingIndex(GetParam().setting));
    EXPECT_EQ(setField(s.min), s.min);
    EXPECT_EQ(setField(s.max), s.max);
    EXPECT_EQ(setField(s.min - 1), std::nullopt);
    EXPECT_EQ(setField(s.max + 1), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Fields, TableRangeTest,
                         ::testing::Values(PageControl{IDC_EDIT_LABEL_HEIGHT, "labelHeight"},
                                           PageControl{IDC_EDIT_H_ORIGIN, "hOrigin"},
                                           PageControl{IDC_EDIT_VERTICAL_ORIGIN, "verticalOrigin"},
                                           PageControl{IDC_EDIT_PRINT_TO_STOP, "printToStop"},
                                           PageControl{IDC_EDIT_PREVENT_TIME, "preventTime"}),
                         [](const auto& info) { return std::string(info.param.setting); });

}  // namespace
