// The dialog base every dialog class derives from: its own message map dispatched, IDOK and
// IDCANCEL ending the run with their ids, and control texts set from a table through one buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_impl.h"
#include "ui/dialog_template.h"
#include "ui/testing.h"

namespace {

using namespace ui;
namespace uit = ui::testing;

// clang-format off
constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr ControlTemplate kControls[] = {
    {IDOK, ControlClass::button, {10, 10, 50, 14}, kChild | WS_TABSTOP, u"OK"},
    {IDCANCEL, ControlClass::button, {70, 10, 50, 14}, kChild | WS_TABSTOP, u"Cancel"},
    {40, ControlClass::button, {130, 10, 50, 14}, kChild | WS_TABSTOP, u"Count"},
    {41, ControlClass::staticText, {10, 30, 80, 8}, kChild, u"-"},
    {42, ControlClass::staticText, {10, 40, 80, 8}, kChild, u"-"},
    {43, ControlClass::staticText, {10, 50, 80, 8}, kChild, u"-"},
};
constexpr DialogTemplate kTemplate{9101, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 200, 70, u"Impl", u"MS Shell Dlg", 8, kControls};
// clang-format on

// A catalog of two texts; an unknown id leaves the buffer as it was, as the message lookup does.
std::vector<std::string> lookedUp;
char16_t* fakeLookup(const char* messageId, char16_t* buffer) {
    lookedUp.emplace_back(messageId);
    std::u16string_view text;
    if (std::string_view(messageId) == "FIRST") {
        text = u"First text";
    } else if (std::string_view(messageId) == "SECOND") {
        text = u"Second";
    } else {
        return buffer;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return buffer;
}

constexpr std::array<ItemText, 3> kTexts{{{41, "FIRST"}, {42, "UNKNOWN"}, {43, "SECOND"}}};

class ImplDlg final : public DialogImpl<ImplDlg> {
  public:
    static constexpr int IDD = 9101;
    int counted = 0;

  private:
    LRESULT onInit(const Message&) {
        std::array<char16_t, 64> buffer{};
        setItemTexts(kTexts, fakeLookup, buffer.data());
        return 1;
    }
    LRESULT onCount(const Message&) {
        ++counted;
        return 0;
    }

    friend class DialogImpl<ImplDlg>;
    static constexpr std::array<MessageEntry<ImplDlg>, 4> kMessageMap{{
        {WM_INITDIALOG, kAny, kAny, &ImplDlg::onInit},
        {WM_COMMAND, IDOK, kAny, &ImplDlg::onCloseCmd},
        {WM_COMMAND, IDCANCEL, kAny, &ImplDlg::onCloseCmd},
        {WM_COMMAND, 40, BN_CLICKED, &ImplDlg::onCount},
    }};
};

class DialogImplTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { uit::addDialogTemplate(kTemplate); }
    void TearDown() override {
        uit::setModalHook(nullptr);
        uit::processEvents();
    }
};

TEST_F(DialogImplTest, TextsAreLookedUpInTableOrderThroughOneBuffer) {
    lookedUp.clear();
    ImplDlg dlg;
    std::vector<std::u16string> texts;
    uit::setModalHook([&texts](DialogBase& d) {
        for (int id : {41, 42, 43}) {
            texts.push_back(d.getDlgItemText(id));
        }
    });
    dlg.doModal(nullptr);
    EXPECT_EQ(lookedUp, (std::vector<std::string>{"FIRST", "UNKNOWN", "SECOND"}));
    // The unknown id repeats the text before it, as the shared buffer still holds it.
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"First text", u"First text", u"Second"}));
}

TEST_F(DialogImplTest, OwnMapHandlesButtonsAndOkAndCancelEndWithTheirIds) {
    ImplDlg counting;
    uit::clearShownDialogs();
    uit::setModalHook([](DialogBase& d) {
        EXPECT_TRUE(uit::click(d, 40));
        EXPECT_TRUE(uit::click(d, 40));
        EXPECT_TRUE(uit::click(d, IDOK));
    });
    EXPECT_EQ(counting.doModal(nullptr), IDOK);
    EXPECT_EQ(counting.counted, 2);
    EXPECT_EQ(uit::shownDialogs(), std::vector<int>{9101});

    ImplDlg cancelled;
    uit::setModalHook([](DialogBase& d) {
        EXPECT_TRUE(uit::click(d, IDCANCEL));
        // Ended at once: hidden before the run returns.
        EXPECT_FALSE(isWindowVisible(d.hwnd()));
    });
    EXPECT_EQ(cancelled.doModal(nullptr), IDCANCEL);

    ImplDlg closed;
    uit::setModalHook([](DialogBase& d) {
        uit::closeBox(d);
        EXPECT_FALSE(isWindowVisible(d.hwnd()));
    });
    EXPECT_EQ(closed.doModal(nullptr), IDCANCEL);
    EXPECT_EQ(closed.counted, 0);
}

}  // namespace
