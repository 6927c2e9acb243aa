// The user settings page (tab 1 of Set Printer): the beeper on or off, and the factory restore.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class CUserDefDlg final : public ui::DialogBase {
  public:
    static constexpr int IDD = IDD_USER_DEF;

    CUserDefDlg() : DialogBase(IDD) {}

  protected:
    bool processWindowMessage(const ui::Message& message, ui::LRESULT& result) override;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onCloseCmd(const ui::Message& message);
    ui::LRESULT onBeepSet(const ui::Message& message);
    ui::LRESULT onRestoreFactory(const ui::Message& message);

    static const std::array<ui::MessageEntry<CUserDefDlg>, 5> kMessageMap;

    ui::ComboBox beep_;
};
