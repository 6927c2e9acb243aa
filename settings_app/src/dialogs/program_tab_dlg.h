// The firmware page of the download dialog: the operator chooses a firmware file and sends it
// to the printer with Update, as often as wanted.
#pragma once

#include <array>

#include "QVSettingToolDll.h"
#include "dialogs/text_buffer.h"
#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CProgramTabDlg final : public ui::DialogImpl<CProgramTabDlg> {
  public:
    static constexpr int IDD = IDD_PROGRAM_TAB;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onSelectFirmware(const ui::Message& message);
    ui::LRESULT onUpdate(const ui::Message& message);

    friend class ui::DialogImpl<CProgramTabDlg>;
    static const std::array<ui::MessageEntry<CProgramTabDlg>, 5> kMessageMap;

    ui::WindowWrapper pathField_;
    ui::WindowWrapper updateButton_;
    // Set only by a successful choice; this, not the field, is what Update sends.
    dialogs::TextBuffer firmwarePath_{};
};
