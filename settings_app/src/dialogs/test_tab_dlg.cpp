#include "dialogs/test_tab_dlg.h"

using namespace ui;

const std::array<MessageEntry<CTestTabDlg>, 1> CTestTabDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CTestTabDlg::onInitDialog},
}};

bool CTestTabDlg::processWindowMessage(const Message& message, LRESULT& result) {
    return dispatchMessageMap<CTestTabDlg>(*this, kMessageMap, message, result);
}

LRESULT CTestTabDlg::onInitDialog(const Message& /*message*/) {
    return 1;
}
