// The print settings page (tab 0 of Set Printer): the printer's thirteen stored print settings in
// eight lists and five fields, read when the page is created and written back all at once by Set.
#pragma once

#include <array>
#include <cstdint>

#include "QVSettingToolDll.h"
#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CPrintSettingDlg final : public ui::DialogImpl<CPrintSettingDlg> {
  public:
    static constexpr int IDD = IDD_PRINT_SETTING;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onSet(const ui::Message& message);
    ui::LRESULT onPreventStickerChange(const ui::Message& message);

    void fillLists();
    void setDefaultValues();
    void readPrinter();
    void showSettings(const PrintSettingParam& settings);
    void setCaptions();
    void followPreventSticker();
    // The five numbers checked in their fixed order into the record; false (nothing filled in
    // beyond the first fault) when one is not a number in its range.
    bool readNumbers(PrintSettingParam& settings) const;
    // The eight list choices into the record; false when a list has none.
    bool readLists(PrintSettingParam& settings) const;

    friend class ui::DialogImpl<CPrintSettingDlg>;
    static const std::array<ui::MessageEntry<CPrintSettingDlg>, 5> kMessageMap;

    ui::WindowWrapper labelHeight_;
    ui::WindowWrapper preventTime_;
    ui::WindowWrapper printToStop_;
    ui::WindowWrapper hOrigin_;
    ui::WindowWrapper verticalOrigin_;
    ui::ComboBox printType_;
    ui::ComboBox powerOnPosition_;
    ui::ComboBox paperType_;
    ui::ComboBox reprintWhenError_;
    ui::ComboBox preventSticker_;
    ui::ComboBox specialLabel_;
    ui::ComboBox printSpeed_;
    ui::ComboBox darkness_;
};
