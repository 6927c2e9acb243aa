// The test page, fourth page of the Set Printer dialog: dump mode, the bad-point check of the
// print head, the self-test page and the text test dialog. Nothing is read when it opens.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CTestTabDlg final : public ui::DialogImpl<CTestTabDlg> {
  public:
    static constexpr int IDD = IDD_TEST_TAB;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onSelfTest(const ui::Message& message);
    ui::LRESULT onPrintTextTest(const ui::Message& message);
    ui::LRESULT onBadPointCheck(const ui::Message& message);
    ui::LRESULT onSetDumpMode(const ui::Message& message);

    friend class ui::DialogImpl<CTestTabDlg>;
    static const std::array<ui::MessageEntry<CTestTabDlg>, 7> kMessageMap;

    ui::ComboBox dumpModeList_;
};
