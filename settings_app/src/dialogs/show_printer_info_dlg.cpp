#include "dialogs/show_printer_info_dlg.h"

using namespace ui;

namespace {

constexpr std::array<ItemText, 19> kLabels{{
    {IDC_STATIC_PRINTER_TYPE, "PO_IDC_STATIC_PRINTER_TYPE"},
    {IDC_STATIC_SERIAL_NUMBER, "PO_IDC_STATIC_PRINTER_SERIAL_NUMBER"},
    {IDC_STATIC_FIRMWARE_VERSION, "PO_IDC_STATIC_PRINTER_FIRMWARE_VERSION"},
    {IDC_STATIC_PRINT_LENGTH, "PO_IDC_STATIC_PRINTER_PRINT_LENGTH"},
    {IDC_STATIC_PRINTER_STATUS, "PO_IDC_STATIC_PRINTER_STATUS"},
    {IDC_STATIC_PRINT_TYPE, "PO_IDC_STATIC_PRINT_TYPE"},
    {IDC_STATIC_POWER_ON_POSITION, "PO_IDC_STATIC_POWER_ON_POSITION"},
    {IDC_STATIC_LABEL_HEIGHT, "PO_IDC_STATIC_LABEL_HEIGHT"},
    {IDC_STATIC_PAPER_TYPE, "PO_IDC_STATIC_PAPER_TYPE"},
    {IDC_STATIC_REPRINT_WHEN_ERROR, "PO_IDC_STATIC_REPRINT_WHEN_ERROR"},
    {IDC_STATIC_PREVENT_STICKER, "PO_IDC_STATIC_PREVENT_STICKER"},
    {IDC_STATIC_SPECIAL_LABEL, "PO_IDC_STATIC_SPECIAL_LABEL"},
    {IDC_STATIC_PRINT_SPEED, "PO_IDC_STATIC_PRINT_SPEED"},
    {IDC_STATIC_DARKNESS, "PO_IDC_STATIC_DARKNESS_SETTING"},
    {IDC_STATIC_H_ORIGIN, "PO_IDC_STATIC_H_ORIGIN"},
    {IDC_STATIC_VERTICAL_ORIGIN, "PO_IDC_STATIC_VERTICAL_ORIGIN"},
    {IDC_STATIC_PRINT_TO_STOP, "PO_IDC_STATIC_PRINT_TO_STOP"},
    {IDC_STATIC_PREVENT_TIME, "PO_IDC_STATIC_PREVENT_TIME"},
    {IDC_STATIC_SHOW_MINUTES, "PO_IDC_STATIC_SHOW_MINUTES"},
}};

struct StatusText {
    int32_t bit;
    const char* messageId;
};

// The first set bit in this order names the status; the others are not looked at.
constexpr std::array<StatusText, 7> kStatusPriority{{
    {QV_STATUS_PRINT_PAUSE, "PO_QV_PRINT_STATUS_PRINT_PAUSE"},
    {QV_STATUS_STUCK_PAPER, "PO_QV_PRINT_STATUS_STUCK_PAPER"},
    {QV_STATUS_VOLTAGE_ERR, "PO_QV_PRINT_STATUS_VOLTAGE_ERR"},
    {QV_STATUS_LACK_PAPER, "PO_QV_PRINT_STATUS_LACK_PAPER"},
    {QV_STATUS_SWITCH_NOT_PLACE, "PO_QV_PRINT_STATUS_SWITCH_NOT_PLACE"},
    {QV_STATUS_OVER_HEAT, "PO_QV_PRINT_STATUS_OVER_HEART"},
    {QV_STATUS_RAM_TEST_FAIL, "PO_QV_PRINT_STATUS_RAM_TEST_FAIL"},
}};

const char* statusMessageId(int32_t status) {
    for (const StatusText& s : kStatusPriority) {
        if ((status & s.bit) != 0) {
            return s.messageId;
        }
    }
    return "PO_QV_PRINT_STATUS_READY";
}

const char* enabledText(uint8_t value) {
    return value == 0 ? "PO_GSTR_DISABLE" : "PO_GSTR_ENABLE";
}

const char* paperTypeText(uint8_t value) {
    if (value == 0) {
        return "PO_GSTR_RECEIPT";
    }
    return value == 1 ? "PO_GSTR_LABEL" : "PO_GSTR_BLACK_MARK";
}

}  // namespace

const std::array<MessageEntry<CShowPrinterInfoDlg>, 3> CShowPrinterInfoDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CShowPrinterInfoDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CShowPrinterInfoDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CShowPrinterInfoDlg::onCloseCmd},
}};

LRESULT CShowPrinterInfoDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();
    setLabelTexts();
    if (!showIdentity() || !showPrintSettings()) {
        return failQuery();
    }
    return 1;
}

void CShowPrinterInfoDlg::setLabelTexts() {
    // One buffer for the caption and every label: an untranslated id repeats the text before.
    dialogs::TextBuffer text{};
    setWindowText(BaseGetPOText("PO_DLG_SHOW_PRINTER_INFOMATION", text.data()));
    setItemTexts(kLabels, BaseGetPOText, text.data());
}

bool CShowPrinterInfoDlg::showIdentity() {
    info_ = PrinterInfo{};
    if (QVGetPrinterInfo(&info_) == 0) {
        return false;
    }
    setDlgItemText(IDC_VALUE_PRINTER_TYPE, dialogs::terminated(info_.printerType).data());
    setDlgItemText(IDC_VALUE_SERIAL_NUMBER, dialogs::terminated(info_.serialNumber).data());
    setDlgItemText(IDC_VALUE_FIRMWARE_VERSION, dialogs::terminated(info_.firmwareVersion).data());

    // The status text goes through the buffer that holds the printed length.
    dialogs::TextBuffer value{};
    dialogs::formatPrintedLength(value, info_.printedLength);
    setDlgItemText(IDC_VALUE_PRINT_LENGTH, value.data());
    setDlgItemText(IDC_VALUE_PRINTER_STATUS,
                   BaseGetPOText(statusMessageId(info_.status), value.data()));
    return true;
}

bool CShowPrinterInfoDlg::showPrintSettings() {
    PrintSettingParam settings{};
    if (QVGetPrinterPrintSettingParam(&settings) == 0) {
        return false;
    }
    // One buffer for all thirteen values, in this order.
    dialogs::TextBuffer value{};
    const auto showText = [&](int id, const char* messageId) {
        setDlgItemText(id, BaseGetPOText(messageId, value.data()));
    };
    const auto showNumber = [&](int id, int number, std::u16string_view suffix = {}) {
        dialogs::formatDecimal(value, number, suffix);
        setDlgItemText(id, value.data());
    };
    showText(IDC_VALUE_PRINT_TYPE, settings.printType == 0 ? "PO_GSTR_THERMAL" : "PO_GSTR_RIBBONS");
    showText(IDC_VALUE_POWER_ON_POSITION, enabledText(settings.powerOnPosition));
    showNumber(IDC_VALUE_LABEL_HEIGHT, settings.labelHeight, u" mm");
    showText(IDC_VALUE_PAPER_TYPE, paperTypeText(settings.paperType));
    showText(IDC_VALUE_REPRINT_WHEN_ERROR, enabledText(settings.reprintWhenError));
    showText(IDC_VALUE_PREVENT_STICKER, enabledText(settings.preventSticker));
    showText(IDC_VALUE_SPECIAL_LABEL, enabledText(settings.specialLabel));
    showNumber(IDC_VALUE_DARKNESS, settings.darkness);
    showNumber(IDC_VALUE_PRINT_SPEED, settings.printSpeed);
    showNumber(IDC_VALUE_H_ORIGIN, settings.hOrigin);
    showNumber(IDC_VALUE_VERTICAL_ORIGIN, settings.verticalOrigin);
    showNumber(IDC_VALUE_PRINT_TO_STOP, settings.printToStop);
    showNumber(IDC_VALUE_PREVENT_TIME, settings.preventTime);
    return true;
}

LRESULT CShowPrinterInfoDlg::failQuery() {
    dialogs::TextBuffer text{};
    BaseGetQVErrorString(BaseGetQVError(), text.data());
    messageBox(hwnd(), text.data(), u"ERROR", MB_OK);
    // Ends before it was ever shown, whatever had been filled in.
    endDialog(IDD);
    return 1;
}
