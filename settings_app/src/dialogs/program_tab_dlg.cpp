#include "dialogs/program_tab_dlg.h"

#include <algorithm>

#include "dialogs/setting_command.h"

#include "ui/file_dialog.h"

using namespace ui;

namespace {

// In the order they are looked up, all through one buffer.
constexpr std::array<ItemText, 3> kLabels{{
    {IDC_PROGRAM_STATIC_SELECT, "PO_IDC_STATIC_PROGRAM_SELECT"},
    {IDC_PROGRAM_BUTTON_OPEN, "PO_IDC_BUTTON_PROGRAM_OPEN"},
    {IDC_PROGRAM_BUTTON_UPDATE, "PO_IDC_BUTTON_PROGRAM_UPDATE"},
}};

constexpr std::array<FileFilter, 1> kFirmwareFilter{{{u"Firmware (*.bin)", u"*.bin"}}};

constexpr uint32_t kOpenFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

}  // namespace

const std::array<MessageEntry<CProgramTabDlg>, 5> CProgramTabDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CProgramTabDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CProgramTabDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CProgramTabDlg::onCloseCmd},
    {WM_COMMAND, IDC_PROGRAM_BUTTON_OPEN, BN_CLICKED, &CProgramTabDlg::onSelectFirmware},
    {WM_COMMAND, IDC_PROGRAM_BUTTON_UPDATE, BN_CLICKED, &CProgramTabDlg::onUpdate},
}};

LRESULT CProgramTabDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();

    pathField_.attach(getDlgItem(IDC_PROGRAM_EDIT_PATH));
    updateButton_.attach(getDlgItem(IDC_PROGRAM_BUTTON_UPDATE));
    updateButton_.enableWindow(false);

    dialogs::TextBuffer text{};
    setItemTexts(kLabels, BaseGetPOText, text.data());
    return 1;
}

LRESULT CProgramTabDlg::onSelectFirmware(const Message& /*message*/) {
    FileDialog dialog(true, nullptr, nullptr, kOpenFlags, kFirmwareFilter, hwnd());
    // Cancelled or failed: the earlier choice stays as it was.
    if (dialog.doModal(hwnd()) != IDOK) {
        return 0;
    }
    const std::u16string_view chosen(dialog.fileName());
    firmwarePath_.fill(0);
    std::copy_n(chosen.begin(), std::min(chosen.size(), firmwarePath_.size() - 1),
                firmwarePath_.begin());
    pathField_.setWindowText(firmwarePath_.data());
    updateButton_.enableWindow(true);
    return 0;
}

LRESULT CProgramTabDlg::onUpdate(const Message& /*message*/) {
    // Reading the file and writing it take as long as the printer takes: the busy cursor shows.
    dialogs::runSettingCommand(
        hwnd(), [this] { return BaseDownloadFirmware(firmwarePath_.data()); },
        "PO_GSTR_UPDATE_SUCCESS", "PO_GSTR_UPDATE_FAIL");
    return 0;
}
