// The printer information dialog: identity, status, printed length and the stored print
// settings, read once while it initialises. Modal; closes unseen when a query fails.
#pragma once

#include <array>

#include "QVSettingToolDll.h"
#include "dialogs/text_buffer.h"
#include "resource_ids.h"
#include "ui/dialog_impl.h"

class CShowPrinterInfoDlg final : public ui::DialogImpl<CShowPrinterInfoDlg> {
  public:
    static constexpr int IDD = IDD_SHOW_PRINTER_INFO;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);

    void setLabelTexts();
    bool showIdentity();
    bool showPrintSettings();
    ui::LRESULT failQuery();

    friend class ui::DialogImpl<CShowPrinterInfoDlg>;
    static const std::array<ui::MessageEntry<CShowPrinterInfoDlg>, 3> kMessageMap;

    PrinterInfo info_{};
};
