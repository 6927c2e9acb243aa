// The main dialog: the one-row printer list, Connection Test and the buttons that open the
// other dialogs. Modeless; closing it ends the program.
#pragma once

#include <array>

#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/message_loop.h"

class CMainDlg final : public ui::DialogBase, public ui::MessageFilter, public ui::IdleHandler {
  public:
    static constexpr int IDD = IDD_MAIN_DIALOG;

    CMainDlg() : DialogBase(IDD) {}

    bool preTranslateMessage(ui::MSG& msg) override;
    bool onIdle() override;

  protected:
    bool processWindowMessage(const ui::Message& message, ui::LRESULT& result) override;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onDestroy(const ui::Message& message);
    ui::LRESULT onClose(const ui::Message& message);
    ui::LRESULT onSetPrinter(const ui::Message& message);
    ui::LRESULT onConnectTest(const ui::Message& message);
    ui::LRESULT onShowPrinterInfo(const ui::Message& message);
    ui::LRESULT onDownload(const ui::Message& message);

    void initPrinterList();

    static const std::array<ui::MessageEntry<CMainDlg>, 8> kMessageMap;

    ui::ListView printerList_;
};
