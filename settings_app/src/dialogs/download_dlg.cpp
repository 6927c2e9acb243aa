#include "dialogs/download_dlg.h"

#include "QVSettingToolDll.h"
#include "dialogs/text_buffer.h"

using namespace ui;

namespace {

constexpr COLORREF kBackground = rgb(176, 224, 230);

}  // namespace

const std::array<MessageEntry<CDownloadDlg>, 6> CDownloadDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CDownloadDlg::onInitDialog},
    {WM_CTLCOLORDLG, kAny, kAny, &CDownloadDlg::onCtlColorDlg},
    {WM_COMMAND, IDOK, kAny, &CDownloadDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CDownloadDlg::onCloseCmd},
    {WM_NOTIFY, IDC_DOWNLOAD_TAB, TCN_SELCHANGING, &CDownloadDlg::onSelChanging},
    {WM_NOTIFY, IDC_DOWNLOAD_TAB, TCN_SELCHANGE, &CDownloadDlg::onSelChange},
}};

CDownloadDlg::~CDownloadDlg() {
    if (background_ != nullptr) {
        deleteBrush(background_);
    }
}

LRESULT CDownloadDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();
    background_ = createSolidBrush(kBackground);
    tabs_.attach(getDlgItem(IDC_DOWNLOAD_TAB));

    std::array<QVWCHAR, 2 * dialogs::kTextUnits> text{};
    tabs_.insertItem(0, BaseGetPOText("PO_DOWNLOAD_DLG_PROGRAM", text.data()));

    // The page is a child of the tab control, placed below the tab headers.
    firmwarePage_ = std::make_unique<CProgramTabDlg>();
    firmwarePage_->create(tabs_.handle());
    RECT area{};
    tabs_.getClientRect(area);
    area.top += kTabHeaderHeight;
    WindowWrapper page(firmwarePage_->hwnd());
    page.moveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, true);

    tabs_.setCurSel(0);
    page.showWindow(SW_SHOW);

    text.fill(0);
    setWindowText(BaseGetPOText("PO_DOWNLOAD_DLG_CAPTION", text.data()));
    return 1;
}

LRESULT CDownloadDlg::onCtlColorDlg(const Message& /*message*/) {
    // The brush handle is the message's result; the page keeps the system colour.
    return reinterpret_cast<LRESULT>(background_);
}

LRESULT CDownloadDlg::onSelChanging(const Message& /*message*/) {
    return 0;
}

LRESULT CDownloadDlg::onSelChange(const Message& /*message*/) {
    if (tabs_.getCurSel() == 0 && firmwarePage_ != nullptr) {
        WindowWrapper(firmwarePage_->hwnd()).showWindow(SW_SHOW);
    }
    return 0;
}
