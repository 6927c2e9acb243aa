// The user settings page (tab 1 of Set Printer): the beeper on or off, and the factory restore.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CUserDefDlg final : public ui::DialogImpl<CUserDefDlg> {
  public:
    static constexpr int IDD = IDD_USER_DEF;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onBeepSet(const ui::Message& message);
    ui::LRESULT onRestoreFactory(const ui::Message& message);

    friend class ui::DialogImpl<CUserDefDlg>;
    static const std::array<ui::MessageEntry<CUserDefDlg>, 5> kMessageMap;

    ui::ComboBox beep_;
};
