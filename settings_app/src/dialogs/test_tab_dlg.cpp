#include "dialogs/test_tab_dlg.h"

#include "QVSettingToolDll.h"
#include "dialogs/setting_command.h"
#include "dialogs/text_buffer.h"
#include "dialogs/text_test_dlg.h"

using namespace ui;

namespace {

// In the order they are looked up, all through one buffer.
constexpr std::array<ItemText, 7> kLabels{{
    {IDC_TEST_STATIC_DUMP_MODE, "PO_IDC_STATIC_DUMP_MODE"},
    {IDC_TEST_BUTTON_DUMP_MODE_SET, "PO_GSTR_SET"},
    {IDC_TEST_STATIC_BAD_POINT_CHECK, "PO_IDC_STATIC_BAD_POINT_CHECK"},
    {IDC_TEST_STATIC_BAD_POINT_RESULT, "PO_IDC_STATIC_BAD_POINT_CHECK_RESULT_NORMAL"},
    {IDC_TEST_BUTTON_SELF_TEST, "PO_GSTR_SELF_TEST"},
    {IDC_TEST_BUTTON_PRINT_TEXT_TEST, "PO_IDC_BUTTON_PRINT_TEXT_TEST"},
    {IDC_TEST_BUTTON_BAD_POINT_CHECK, "PO_IDC_BUTTON_BAD_POINT_CHECK"},
}};

// The list's index is the mode sent: disable 0, enable 1.
constexpr std::array<const char*, 2> kDumpModes{"PO_GSTR_DISABLE", "PO_GSTR_ENABLE"};

}  // namespace

const std::array<MessageEntry<CTestTabDlg>, 7> CTestTabDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CTestTabDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CTestTabDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CTestTabDlg::onCloseCmd},
    {WM_COMMAND, IDC_TEST_BUTTON_SELF_TEST, BN_CLICKED, &CTestTabDlg::onSelfTest},
    {WM_COMMAND, IDC_TEST_BUTTON_PRINT_TEXT_TEST, BN_CLICKED, &CTestTabDlg::onPrintTextTest},
    {WM_COMMAND, IDC_TEST_BUTTON_BAD_POINT_CHECK, BN_CLICKED, &CTestTabDlg::onBadPointCheck},
    {WM_COMMAND, IDC_TEST_BUTTON_DUMP_MODE_SET, BN_CLICKED, &CTestTabDlg::onSetDumpMode},
}};

LRESULT CTestTabDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();

    dumpModeList_.attach(getDlgItem(IDC_TEST_COMBO_DUMP_MODE));
    for (const char* mode : kDumpModes) {
        dialogs::TextBuffer entry{};
        dumpModeList_.addString(BaseGetPOText(mode, entry.data()));
    }
    dumpModeList_.setCurSel(0);

    dialogs::TextBuffer text{};
    setItemTexts(kLabels, BaseGetPOText, text.data());
    return 1;
}

LRESULT CTestTabDlg::onSetDumpMode(const Message& /*message*/) {
    const int mode = dumpModeList_.getCurSel();
    dialogs::runSettingCommand(
        hwnd(), [mode] { return QVSetDumpMode(mode); }, "PO_GSTR_SETTING_SUCCESS",
        "PO_GSTR_SETTING_FAIL");
    return 0;
}

LRESULT CTestTabDlg::onSelfTest(const Message& /*message*/) {
    int32_t printed = 0;
    {
        // The library pauses two seconds between the command and the job.
        const BusyCursor busy;
        printed = QVSelfTestPrint();
    }
    dialogs::TextBuffer text{};
    if (printed != 0) {
        messageBox(hwnd(), BaseGetPOText("PO_GSTR_PRINT_SELF_TEXT_SUCCESS", text.data()), u"INFO",
                   MB_OK);
    } else {
        // A missing job sets no code: the text is that of the last code set.
        dialogs::showLibraryError(hwnd());
    }
    return 0;
}

LRESULT CTestTabDlg::onPrintTextTest(const Message& /*message*/) {
    CTextTestDlg dlg;
    dlg.doModal(getActiveWindow());
    return 0;
}

LRESULT CTestTabDlg::onBadPointCheck(const Message& /*message*/) {
    int32_t count = 0;
    int32_t checked = 0;
    {
        const BusyCursor busy;
        checked = QVBadPointCheck(&count);
    }
    if (checked == 0) {
        dialogs::showLibraryError(hwnd());
        return 0;
    }
    dialogs::TextBuffer text{};
    if (count == 0) {
        setDlgItemText(IDC_TEST_STATIC_BAD_POINT_RESULT,
                       BaseGetPOText("PO_IDC_STATIC_BAD_POINT_CHECK_RESULT_NORMAL", text.data()));
        return 0;
    }
    // "%ws(%d)": the catalog text, then the count in parentheses.
    BaseGetPOText("PO_IDC_STATIC_FIND_BAD_POINT", text.data());
    dialogs::appendText(text, u"(");
    dialogs::TextBuffer number{};
    dialogs::formatDecimal(number, count);
    dialogs::appendText(text, number.data());
    dialogs::appendText(text, u")");
    setDlgItemText(IDC_TEST_STATIC_BAD_POINT_RESULT, text.data());
    return 0;
}
