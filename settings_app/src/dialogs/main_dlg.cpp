#include "dialogs/main_dlg.h"

#include "QVSettingToolDll.h"
#include "app/catalog.h"
#include "dialogs/download_dlg.h"
#include "dialogs/printer_set_dlg.h"
#include "dialogs/show_printer_info_dlg.h"
#include "dialogs/text_buffer.h"

using namespace ui;

namespace {

constexpr uint32_t kPrinterListStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL;
constexpr uint32_t kPrinterListExStyle = LVS_EX_TRACKSELECT | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;
constexpr int kHeaderPadding = 15;

// In the order they are looked up; all go through the caption's buffer.
constexpr std::array<ItemText, 7> kButtonTexts{{
    {IDC_BUTTON_ADD_PRINTER, "PO_IDC_BUTTON_ADD_PRINTER"},
    {IDC_BUTTON_MODIFY_PRINTER, "PO_IDC_BUTTON_MODIFY_PRINTER"},
    {IDC_BUTTON_DEL_PRINTER, "PO_IDC_BUTTON_DEL_PRINTER"},
    {IDC_BUTTON_CONNECT_TEST, "PO_IDC_BUTTON_CONNECT_TEST"},
    {IDC_BUTTON_SHOW_PRINTER_INFO, "PO_IDC_BUTTON_SHOW_PRINTER_INFO"},
    {IDC_BUTTON_MAIN_DOWNLOAD, "PO_IDC_BUTTON_MAIN_DOWNLOAD"},
    {IDC_BUTTON_SET_PRINTER, "PO_IDC_BUTTON_SET_PRINTER"},
}};

}  // namespace

const std::array<MessageEntry<CMainDlg>, 8> CMainDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CMainDlg::onInitDialog},
    {WM_DESTROY, kAny, kAny, &CMainDlg::onDestroy},
    {WM_COMMAND, IDOK, kAny, &CMainDlg::onClose},
    {WM_COMMAND, IDCANCEL, kAny, &CMainDlg::onClose},
    {WM_COMMAND, IDC_BUTTON_SET_PRINTER, BN_CLICKED, &CMainDlg::onSetPrinter},
    {WM_COMMAND, IDC_BUTTON_CONNECT_TEST, BN_CLICKED, &CMainDlg::onConnectTest},
    {WM_COMMAND, IDC_BUTTON_SHOW_PRINTER_INFO, BN_CLICKED, &CMainDlg::onShowPrinterInfo},
    {WM_COMMAND, IDC_BUTTON_MAIN_DOWNLOAD, BN_CLICKED, &CMainDlg::onDownload},
}};

bool CMainDlg::preTranslateMessage(MSG& msg) {
    return isDialogMessage(hwnd(), msg);
}

bool CMainDlg::onIdle() {
    return false;
}

LRESULT CMainDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();

    setIcon(hwnd(), loadIcon(IDI_APP_ICON, getSystemMetrics(SystemMetric::cxIcon)), ICON_BIG);
    setIcon(hwnd(), loadIcon(IDI_APP_ICON, getSystemMetrics(SystemMetric::cxSmIcon)), ICON_SMALL);

    if (MessageLoop* loop = appModule().getMessageLoop()) {
        loop->addMessageFilter(this);
        loop->addIdleHandler(this);
    }

    // Binding comes before the first lookup.
    app::bindCatalog();

    std::array<QVWCHAR, 2 * dialogs::kTextUnits> caption{};
    BaseGetPOText("PO_GSTR_MAIN_DLG_CAPTION", caption.data());
    dialogs::appendText(caption, u" ");
    dialogs::appendText(caption, u" v1.16");
    setWindowText(caption.data());

    setItemTexts(kButtonTexts, BaseGetPOText, caption.data());

    initPrinterList();
    return 1;
}

void CMainDlg::initPrinterList() {
    printerList_.attach(getDlgItem(IDC_PRINTER_LIST));
    setWindowStyle(printerList_.handle(), kPrinterListStyle);
    printerList_.setExtendedListViewStyle(kPrinterListExStyle, 0);

    dialogs::TextBuffer header{};
    BaseGetPOText("PO_GSTR_PRINTER", header.data());
    printerList_.insertColumn(0, header.data(), LVCFMT_LEFT,
                              printerList_.getStringWidth(header.data()) + kHeaderPadding, 0);
    printerList_.setColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
    printerList_.insertItem(0, u"QV-410 (USB)");
}

LRESULT CMainDlg::onDestroy(const Message& /*message*/) {
    if (MessageLoop* loop = appModule().getMessageLoop()) {
        loop->removeMessageFilter(this);
        loop->removeIdleHandler(this);
    }
    return 0;
}

LRESULT CMainDlg::onClose(const Message& message) {
    destroyWindow();
    postQuitMessage(message.id);
    return 0;
}

LRESULT CMainDlg::onSetPrinter(const Message& /*message*/) {
    CPrinterSetDlg dlg;
    dlg.doModal(getActiveWindow());
    return 0;
}

LRESULT CMainDlg::onConnectTest(const Message& /*message*/) {
    dialogs::TextBuffer text{};
    if (USBCheckConnection() != 0) {
        messageBox(hwnd(), BaseGetPOText("PO_GSTR_SUCCESS", text.data()), u"INFO", MB_OK);
    } else {
        BaseGetQVErrorString(BaseGetQVError(), text.data());
        messageBox(hwnd(), text.data(), u"ERROR", MB_OK);
    }
    return 0;
}

LRESULT CMainDlg::onShowPrinterInfo(const Message& /*message*/) {
    CShowPrinterInfoDlg dlg;
    dlg.doModal(getActiveWindow());
    return 0;
}

LRESULT CMainDlg::onDownload(const Message& /*message*/) {
    CDownloadDlg dlg;
    dlg.doModal(getActiveWindow());
    return 0;
}
