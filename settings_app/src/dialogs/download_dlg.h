// The download dialog: one tab holding the firmware page. Modal, opened from the main dialog.
#pragma once

#include <array>
#include <memory>

#include "dialogs/program_tab_dlg.h"
#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CDownloadDlg final : public ui::DialogImpl<CDownloadDlg> {
  public:
    static constexpr int IDD = IDD_DOWNLOAD;

    CDownloadDlg() = default;
    ~CDownloadDlg() override;
    CDownloadDlg(const CDownloadDlg&) = delete;
    CDownloadDlg& operator=(const CDownloadDlg&) = delete;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onCtlColorDlg(const ui::Message& message);
    ui::LRESULT onSelChanging(const ui::Message& message);
    ui::LRESULT onSelChange(const ui::Message& message);

    friend class ui::DialogImpl<CDownloadDlg>;
    static const std::array<ui::MessageEntry<CDownloadDlg>, 6> kMessageMap;

    ui::TabCtrl tabs_;
    std::unique_ptr<CProgramTabDlg> firmwarePage_;
    ui::HBRUSH background_ = nullptr;
};
