// The main dialog: the one-row printer list, Connection Test and the buttons that open the
// other dialogs. Modeless; closing it ends the program.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"
#include "ui/message_loop.h"

class CMainDlg final : public ui::DialogImpl<CMainDlg>,
                       public ui::MessageFilter,
                       public ui::IdleHandler {
  public:
    static constexpr int IDD = IDD_MAIN_DIALOG;

    bool preTranslateMessage(ui::MSG& msg) override;
    bool onIdle() override;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onDestroy(const ui::Message& message);
    ui::LRESULT onClose(const ui::Message& message);
    ui::LRESULT onSetPrinter(const ui::Message& message);
    ui::LRESULT onConnectTest(const ui::Message& message);
    ui::LRESULT onShowPrinterInfo(const ui::Message& message);
    ui::LRESULT onDownload(const ui::Message& message);

    void initPrinterList();

    friend class ui::DialogImpl<CMainDlg>;
    static const std::array<ui::MessageEntry<CMainDlg>, 8> kMessageMap;

    ui::ListView printerList_;
};
