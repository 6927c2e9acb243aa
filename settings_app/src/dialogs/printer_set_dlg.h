// The Set Printer dialog: a tab control over four pages, one shown at a time. It holds no printer
// logic; each page talks to the printer by itself, and nothing is applied when it closes.
#pragma once

#include <array>
#include <memory>

#include "dialogs/location_tab_dlg.h"
#include "dialogs/print_setting_dlg.h"
#include "dialogs/test_tab_dlg.h"
#include "dialogs/user_def_dlg.h"
#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CPrinterSetDlg final : public ui::DialogImpl<CPrinterSetDlg> {
  public:
    static constexpr int IDD = IDD_PRINTER_SET;
    static constexpr int kPageCount = 4;

    CPrinterSetDlg() = default;
    ~CPrinterSetDlg() override;
    CPrinterSetDlg(const CPrinterSetDlg&) = delete;
    CPrinterSetDlg& operator=(const CPrinterSetDlg&) = delete;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onCtlColorDlg(const ui::Message& message);
    ui::LRESULT onSelChange(const ui::Message& message);

    void createPages();
    // The page windows in tab order; null where a page could not be created.
    std::array<ui::HWND, kPageCount> pageWindows() const;

    friend class ui::DialogImpl<CPrinterSetDlg>;
    static const std::array<ui::MessageEntry<CPrinterSetDlg>, 5> kMessageMap;

    ui::TabCtrl tab_;
    std::unique_ptr<CPrintSettingDlg> printSettingPage_;
    std::unique_ptr<CUserDefDlg> userDefPage_;
    std::unique_ptr<CLocationTabDlg> locationPage_;
    std::unique_ptr<CTestTabDlg> testPage_;
    ui::HBRUSH background_ = nullptr;
};
