#include "dialogs/user_def_dlg.h"

#include "QVSettingToolDll.h"
#include "dialogs/setting_command.h"
#include "dialogs/text_buffer.h"

using namespace ui;

namespace {

constexpr std::array<ItemText, 3> kCaptions{{
    {IDC_STATIC_USER_BEEP, "PO_IDC_STATIC_USER_BEEP"},
    {IDC_BUTTON_USER_DEF_SET_DEFAULT, "PO_IDC_BUTTON_USER_DEF_SET_DEFAULT"},
    {IDC_BUTTON_USER_BEEP_SET, "PO_GSTR_SET"},
}};

}  // namespace

const std::array<MessageEntry<CUserDefDlg>, 5> CUserDefDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CUserDefDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CUserDefDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CUserDefDlg::onCloseCmd},
    {WM_COMMAND, IDC_BUTTON_USER_BEEP_SET, BN_CLICKED, &CUserDefDlg::onBeepSet},
    {WM_COMMAND, IDC_BUTTON_USER_DEF_SET_DEFAULT, BN_CLICKED, &CUserDefDlg::onRestoreFactory},
}};

LRESULT CUserDefDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();
    // The list is not sorted, so its index is the value sent: 0 disable, 1 enable, in every
    // language.
    beep_.attach(getDlgItem(IDC_COMBO_USER_BEEP));
    dialogs::TextBuffer entry{};
    beep_.addString(BaseGetPOText("PO_GSTR_DISABLE", entry.data()));
    beep_.addString(BaseGetPOText("PO_GSTR_ENABLE", entry.data()));
    beep_.setCurSel(0);

    dialogs::TextBuffer text{};
    setItemTexts(kCaptions, BaseGetPOText, text.data());
    return 1;
}

LRESULT CUserDefDlg::onBeepSet(const Message& /*message*/) {
    const int index = beep_.getCurSel();
    if (index < 0) {
        dialogs::showInputRefusal(hwnd());
        return 0;
    }
    const auto beep = static_cast<uint8_t>(index);
    dialogs::runSettingCommand(
        hwnd(), [&beep] { return QVSetUserDefSetting(&beep); }, "PO_GSTR_SETTING_SUCCESS",
        "PO_GSTR_SETTING_FAIL");
    return 0;
}

LRESULT CUserDefDlg::onRestoreFactory(const Message& /*message*/) {
    // At once, without asking: the button says what it does.
    dialogs::runSettingCommand(
        hwnd(), [] { return QVRestoreFactorySettings(); }, "PO_GSTR_SET_DEFAULT_SUCCESS",
        "PO_GSTR_SET_DEFAULT_FAIL");
    return 0;
}
