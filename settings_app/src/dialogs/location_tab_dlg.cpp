#include "dialogs/location_tab_dlg.h"

#include "QVSettingToolDll.h"
#include "dialogs/setting_command.h"
#include "dialogs/text_buffer.h"

using namespace ui;

namespace {

constexpr std::array<ItemText, 4> kCaptions{{
    {IDC_STATIC_LABEL_AUTO_LEARN, "PO_IDC_STATIC_LABEL_AUTO_LEARN"},
    {IDC_BUTTON_LABEL_AUTO_LEARN, "PO_GSTR_LEARN"},
    {IDC_STATIC_LACK_PAPER_LEARN, "PO_IDC_STATIC_LACK_PAPER_LEARN"},
    {IDC_BUTTON_LACK_PAPER_LEARN, "PO_GSTR_LEARN"},
}};

}  // namespace

const std::array<MessageEntry<CLocationTabDlg>, 5> CLocationTabDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CLocationTabDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CLocationTabDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CLocationTabDlg::onCloseCmd},
    {WM_COMMAND, IDC_BUTTON_LABEL_AUTO_LEARN, BN_CLICKED, &CLocationTabDlg::onLabelAutoLearn},
    {WM_COMMAND, IDC_BUTTON_LACK_PAPER_LEARN, BN_CLICKED, &CLocationTabDlg::onLackPaperLearn},
}};

LRESULT CLocationTabDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();
    dialogs::TextBuffer text{};
    setItemTexts(kCaptions, BaseGetPOText, text.data());
    return 1;
}

LRESULT CLocationTabDlg::onLabelAutoLearn(const Message& /*message*/) {
    // The location value 0 starts the label auto learn.
    static constexpr uint8_t kLabelAutoLearn = 0;
    dialogs::runSettingCommand(
        hwnd(), [] { return QVSetLocationSetting(&kLabelAutoLearn); }, "PO_GSTR_OPERATION_SUCCESS",
        "PO_GSTR_OPERATION_FAIL");
    return 0;
}

LRESULT CLocationTabDlg::onLackPaperLearn(const Message& /*message*/) {
    dialogs::runSettingCommand(
        hwnd(), [] { return QVLabelLackPaperLearn(); }, "PO_GSTR_OPERATION_SUCCESS",
        "PO_GSTR_OPERATION_FAIL");
    return 0;
}
