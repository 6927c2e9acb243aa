// The test page (tab 3 of Set Printer). Placeholder: an empty page, replaced by the real page.
#pragma once

#include <array>

#include "ui/dialog.h"

class CTestTabDlg final : public ui::DialogBase {
  public:
    static constexpr int IDD = 207;

    CTestTabDlg() : DialogBase(IDD) {}

  protected:
    bool processWindowMessage(const ui::Message& message, ui::LRESULT& result) override;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);

    static const std::array<ui::MessageEntry<CTestTabDlg>, 1> kMessageMap;
};
