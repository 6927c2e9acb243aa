// The firmware page of the download dialog: the operator chooses a firmware file and sends it
// to the printer with Update, as often as wanted.
#pragma once

#include <array>

#include "QVSettingToolDll.h"
#include "dialogs/text_buffer.h"
#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class CProgramTabDlg final : public ui::DialogBase {
  public:
    static constexpr int IDD = IDD_PROGRAM_TAB;

    CProgramTabDlg() : DialogBase(IDD) {}

  protected:
    bool processWindowMessage(const ui::Message& message, ui::LRESULT& result) override;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onCloseCmd(const ui::Message& message);
    ui::LRESULT onSelectFirmware(const ui::Message& message);
    ui::LRESULT onUpdate(const ui::Message& message);

    static const std::array<ui::MessageEntry<CProgramTabDlg>, 5> kMessageMap;

    ui::WindowWrapper pathField_;
    ui::WindowWrapper updateButton_;
    // Set only by a successful choice; this, not the field, is what Update sends.
    dialogs::TextBuffer firmwarePath_{};
};
