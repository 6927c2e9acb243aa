// The location page (tab 2 of Set Printer): the printer's two learning runs, label auto learn and
// lack-paper learn.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/dialog_impl.h"

class CLocationTabDlg final : public ui::DialogImpl<CLocationTabDlg> {
  public:
    static constexpr int IDD = IDD_LOCATION_TAB;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onLabelAutoLearn(const ui::Message& message);
    ui::LRESULT onLackPaperLearn(const ui::Message& message);

    friend class ui::DialogImpl<CLocationTabDlg>;
    static const std::array<ui::MessageEntry<CLocationTabDlg>, 5> kMessageMap;
};
