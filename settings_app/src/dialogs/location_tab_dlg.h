// The location page (tab 2 of Set Printer): the printer's two learning runs, label auto learn and
// lack-paper learn.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/dialog.h"

class CLocationTabDlg final : public ui::DialogBase {
  public:
    static constexpr int IDD = IDD_LOCATION_TAB;

    CLocationTabDlg() : DialogBase(IDD) {}

  protected:
    bool processWindowMessage(const ui::Message& message, ui::LRESULT& result) override;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onCloseCmd(const ui::Message& message);
    ui::LRESULT onLabelAutoLearn(const ui::Message& message);
    ui::LRESULT onLackPaperLearn(const ui::Message& message);

    static const std::array<ui::MessageEntry<CLocationTabDlg>, 5> kMessageMap;
};
