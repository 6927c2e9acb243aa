// The text test dialog: a text and the label's width and height in millimetres, printed with
// Print as often as the operator likes. Modal; keeps what was typed until it closes.
#pragma once

#include <array>
#include <optional>

#include "resource_ids.h"
#include "ui/controls.h"
#include "ui/dialog_impl.h"

class CTextTestDlg final : public ui::DialogImpl<CTextTestDlg> {
  public:
    static constexpr int IDD = IDD_TEXT_TEST;

  private:
    ui::LRESULT onInitDialog(const ui::Message& message);
    ui::LRESULT onPrint(const ui::Message& message);

    // The millimetres typed into a size field; nothing when the field holds no plain number
    // the request record can carry.
    std::optional<uint8_t> readMillimetres(int id) const;
    void refuseInput();

    friend class ui::DialogImpl<CTextTestDlg>;
    static const std::array<ui::MessageEntry<CTextTestDlg>, 4> kMessageMap;

    ui::WindowWrapper textField_;
    ui::WindowWrapper widthField_;
    ui::WindowWrapper heightField_;
};
