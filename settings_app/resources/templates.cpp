// The program's dialog templates and icon, as a resource script would hold them. To add a
// dialog: write its control table and template below and list it in kTemplates.
#include <array>

#include "resource_ids.h"
#include "ui/dialog_template.h"

namespace ui {

namespace {

#include "app_icon.xpm"

using enum ControlClass;

// The default styles of the resource-script statements.
constexpr uint32_t kPushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr uint32_t kGroupBox = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
constexpr uint32_t kLeftText = WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP;

// clang-format off
// Main dialog: caption, system menu and minimise box, shell font; not visible until shown.
constexpr ControlTemplate kMainControls[] = {
    {-1, button, {12, 5, 371, 121}, kGroupBox, u""},
    {IDC_PRINTER_LIST, listView, {19, 16, 260, 104}, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_ALIGNLEFT, u""},
    {IDC_BUTTON_ADD_PRINTER, button, {293, 28, 80, 14}, kPushButton | WS_DISABLED, u"Add Printer"},
    {IDC_BUTTON_MODIFY_PRINTER, button, {293, 47, 80, 14}, kPushButton | WS_DISABLED, u"Modify Printer"},
    {IDC_BUTTON_DEL_PRINTER, button, {293, 66, 80, 14}, kPushButton | WS_DISABLED, u"Delete Printer"},
    {IDC_BUTTON_CONNECT_TEST, button, {293, 85, 80, 14}, kPushButton, u"Connection Test"},
    {IDC_BUTTON_SET_PRINTER, button, {60, 133, 92, 20}, kPushButton, u"Set Printer"},
    {IDC_BUTTON_MAIN_DOWNLOAD, button, {188, 133, 92, 20}, kPushButton, u"Download"},
    {IDC_BUTTON_SHOW_PRINTER_INFO, button, {293, 104, 80, 14}, kPushButton, u"Printer Info"},
};

constexpr DialogTemplate kMainDialog{IDD_MAIN_DIALOG, 0x00CA0048, 398, 161, u"QV-410 Setting Tool", u"MS Shell Dlg", 8, kMainControls};

// Printer information: labels at x 28, values at x 152, rows 13 units apart; no buttons.
constexpr ControlTemplate kPrinterInfoControls[] = {
    {-1, button, {16, 6, 277, 75}, kGroupBox, u""},
    {IDC_STATIC_PRINTER_TYPE, staticText, {28, 15, 80, 8}, kLeftText, u"Printer Type:"},
    {IDC_VALUE_PRINTER_TYPE, staticText, {152, 15, 133, 8}, kLeftText, u"Static", IDC_STATIC_PRINTER_TYPE},
    {IDC_STATIC_SERIAL_NUMBER, staticText, {28, 28, 80, 8}, kLeftText, u"Printer Serial Number:"},
    {IDC_VALUE_SERIAL_NUMBER, staticText, {152, 28, 136, 8}, kLeftText, u"Static", IDC_STATIC_SERIAL_NUMBER},
    {IDC_STATIC_FIRMWARE_VERSION, staticText, {28, 41, 80, 8}, kLeftText, u"Firmware Version:"},
    {IDC_VALUE_FIRMWARE_VERSION, staticText, {152, 41, 137, 8}, kLeftText, u"Static", IDC_STATIC_FIRMWARE_VERSION},
    {IDC_STATIC_PRINT_LENGTH, staticText, {28, 54, 80, 8}, kLeftText, u"Printer Print Length:"},
    {IDC_VALUE_PRINT_LENGTH, staticText, {152, 54, 121, 8}, kLeftText, u"Static", IDC_STATIC_PRINT_LENGTH},
    {IDC_STATIC_PRINTER_STATUS, staticText, {28, 67, 80, 8}, kLeftText, u"Printer Status:"},
    {IDC_VALUE_PRINTER_STATUS, staticText, {152, 67, 133, 8}, kLeftText, u"Static", IDC_STATIC_PRINTER_STATUS},
    {-1, button, {16, 84, 277, 181}, kGroupBox, u""},
    {IDC_STATIC_PRINT_TYPE, staticText, {28, 95, 67, 8}, kLeftText, u"Print Type:"},
    {IDC_VALUE_PRINT_TYPE, staticText, {152, 95, 87, 8}, kLeftText, u"Static", IDC_STATIC_PRINT_TYPE},
    {IDC_STATIC_POWER_ON_POSITION, staticText, {28, 108, 115, 8}, kLeftText, u"Automatic position when power on:"},
    {IDC_VALUE_POWER_ON_POSITION, staticText, {152, 108, 87, 8}, kLeftText, u"Static", IDC_STATIC_POWER_ON_POSITION},
    {IDC_STATIC_LABEL_HEIGHT, staticText, {28, 121, 67, 8}, kLeftText, u"Label Height:"},
    {IDC_VALUE_LABEL_HEIGHT, staticText, {152, 121, 88, 8}, kLeftText, u"Static", IDC_STATIC_LABEL_HEIGHT},
    {IDC_STATIC_PAPER_TYPE, staticText, {28, 134, 67, 8}, kLeftText, u"Paper Type:"},
    {IDC_VALUE_PAPER_TYPE, staticText, {152, 134, 88, 8}, kLeftText, u"Static", IDC_STATIC_PAPER_TYPE},
    {IDC_STATIC_REPRINT_WHEN_ERROR, staticText, {28, 147, 67, 8}, kLeftText, u"Reprint when error:"},
    {IDC_VALUE_REPRINT_WHEN_ERROR, staticText, {152, 147, 86, 8}, kLeftText, u"Static", IDC_STATIC_REPRINT_WHEN_ERROR},
    {IDC_STATIC_PREVENT_STICKER, staticText, {28, 160, 67, 8}, kLeftText, u"Prevent Glue Paper:"},
    {IDC_VALUE_PREVENT_STICKER, staticText, {152, 160, 86, 8}, kLeftText, u"Static", IDC_STATIC_PREVENT_STICKER},
    {IDC_STATIC_SPECIAL_LABEL, staticText, {28, 173, 67, 8}, kLeftText, u"Special Label:"},
    {IDC_VALUE_SPECIAL_LABEL, staticText, {152, 173, 86, 8}, kLeftText, u"Static", IDC_STATIC_SPECIAL_LABEL},
    {IDC_STATIC_PRINT_SPEED, staticText, {28, 186, 67, 8}, kLeftText, u"Print Speed:"},
    {IDC_VALUE_PRINT_SPEED, staticText, {152, 186, 86, 8}, kLeftText, u"Static", IDC_STATIC_PRINT_SPEED},
    {IDC_STATIC_DARKNESS, staticText, {28, 199, 67, 8}, kLeftText, u"Darkness Setting:"},
    {IDC_VALUE_DARKNESS, staticText, {152, 199, 86, 8}, kLeftText, u"Static", IDC_STATIC_DARKNESS},
    {IDC_STATIC_H_ORIGIN, staticText, {28, 212, 67, 8}, kLeftText, u"Horizontal Origin:"},
    {IDC_VALUE_H_ORIGIN, staticText, {152, 212, 86, 8}, kLeftText, u"Static", IDC_STATIC_H_ORIGIN},
    {IDC_STATIC_VERTICAL_ORIGIN, staticText, {28, 225, 67, 8}, kLeftText, u"Vertical Origin:"},
    {IDC_VALUE_VERTICAL_ORIGIN, staticText, {152, 225, 86, 8}, kLeftText, u"Static", IDC_STATIC_VERTICAL_ORIGIN},
    {IDC_STATIC_PRINT_TO_STOP, staticText, {28, 238, 67, 8}, kLeftText, u"Print To Stop:"},
    {IDC_VALUE_PRINT_TO_STOP, staticText, {152, 238, 86, 8}, kLeftText, u"Static", IDC_STATIC_PRINT_TO_STOP},
    {IDC_STATIC_PREVENT_TIME, staticText, {28, 251, 115, 8}, kLeftText, u"Prevent Glue Paper Time:"},
    {IDC_VALUE_PREVENT_TIME, staticText, {152, 251, 31, 8}, kLeftText, u"Static", IDC_STATIC_PREVENT_TIME},
    {IDC_STATIC_SHOW_MINUTES, staticText, {169, 251, 42, 8}, kLeftText, u"minutes"},
};

constexpr DialogTemplate kPrinterInfoDialog{IDD_SHOW_PRINTER_INFO, 0x80C800C8, 307, 281, u"Printer Information", u"MS Shell Dlg", 8, kPrinterInfoControls};
// clang-format on

constexpr std::array kTemplates{&kMainDialog, &kPrinterInfoDialog};

}  // namespace

std::span<const DialogTemplate* const> programDialogTemplates() {
    return kTemplates;
}

const char* const* findIconResource(int id) {
    return id == IDI_APP_ICON ? app_icon_xpm : nullptr;
}

}  // namespace ui
