#include "dialogs/printer_set_dlg.h"

#include "QVSettingToolDll.h"
#include "dialogs/text_buffer.h"

using namespace ui;

namespace {

// Powder blue around the tab control; the pages keep the system dialog colour.
constexpr COLORREF kBackground = rgb(176, 224, 230);

constexpr std::array<const char*, CPrinterSetDlg::kPageCount> kTabCaptions{
    "PO_PRINTER_SET_DLG_PRINT_SETTING", "PO_PRINTER_SET_DLG_USER_DEF",
    "PO_PRINTER_SET_DLG_LOCATION", "PO_PRINTER_SET_DLG_TEST"};

}  // namespace

const std::array<MessageEntry<CPrinterSetDlg>, 5> CPrinterSetDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CPrinterSetDlg::onInitDialog},
    {WM_CTLCOLORDLG, kAny, kAny, &CPrinterSetDlg::onCtlColorDlg},
    {WM_COMMAND, IDOK, kAny, &CPrinterSetDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CPrinterSetDlg::onCloseCmd},
    {WM_NOTIFY, IDC_TAB_PRINTER_SET, TCN_SELCHANGE, &CPrinterSetDlg::onSelChange},
}};

CPrinterSetDlg::~CPrinterSetDlg() {
    if (background_ != nullptr) {
        deleteBrush(background_);
    }
}

LRESULT CPrinterSetDlg::onCtlColorDlg(const Message& /*message*/) {
    return reinterpret_cast<LRESULT>(background_);
}

LRESULT CPrinterSetDlg::onInitDialog(const Message& /*message*/) {
    background_ = createSolidBrush(kBackground);
    tab_.attach(getDlgItem(IDC_TAB_PRINTER_SET));

    // One buffer for the four captions: an untranslated one repeats the tab before it.
    dialogs::TextBuffer text{};
    for (int i = 0; i < kPageCount; ++i) {
        tab_.insertItem(i, BaseGetPOText(kTabCaptions[static_cast<std::size_t>(i)], text.data()));
    }

    createPages();
    // Every page fills the tab control's client area below the strip of tab headers.
    RECT area{};
    tab_.getClientRect(area);
    area.top += kTabHeaderHeight;
    for (HWND page : pageWindows()) {
        WindowWrapper(page).moveWindow(area.left, area.top, area.right - area.left,
                                       area.bottom - area.top, true);
    }
    tab_.setCurSel(0);
    WindowWrapper(pageWindows()[0]).showWindow(SW_SHOW);

    dialogs::TextBuffer caption{};
    setWindowText(BaseGetPOText("PO_PRINTER_SET_DLG_CAPTION", caption.data()));
    centerWindow();
    return 1;
}

void CPrinterSetDlg::createPages() {
    // In tab order, as children of the tab control; each initialises itself (the print settings
    // page reads the printer) before the dialog is shown.
    printSettingPage_ = std::make_unique<CPrintSettingDlg>();
    printSettingPage_->create(tab_.handle());
    userDefPage_ = std::make_unique<CUserDefDlg>();
    userDefPage_->create(tab_.handle());
    locationPage_ = std::make_unique<CLocationTabDlg>();
    locationPage_->create(tab_.handle());
    testPage_ = std::make_unique<CTestTabDlg>();
    testPage_->create(tab_.handle());
}

std::array<HWND, CPrinterSetDlg::kPageCount> CPrinterSetDlg::pageWindows() const {
    const auto windowOf = [](const DialogBase* page) {
        return page != nullptr ? page->hwnd() : nullptr;
    };
    return {windowOf(printSettingPage_.get()), windowOf(userDefPage_.get()),
            windowOf(locationPage_.get()), windowOf(testPage_.get())};
}

LRESULT CPrinterSetDlg::onSelChange(const Message& /*message*/) {
    const int selected = tab_.getCurSel();
    if (selected < 0 || selected >= kPageCount) {
        return 0;
    }
    const std::array<HWND, kPageCount> pages = pageWindows();
    WindowWrapper(pages[static_cast<std::size_t>(selected)]).showWindow(SW_SHOW);
    for (int i = 0; i < kPageCount; ++i) {
        if (i != selected) {
            WindowWrapper(pages[static_cast<std::size_t>(i)]).showWindow(SW_HIDE);
        }
    }
    return 0;
}
