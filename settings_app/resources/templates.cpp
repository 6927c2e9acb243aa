// The program's dialog templates and icon, as a resource script would hold them. To add a
// dialog: write its control table and template below and list it in kTemplates.
//
// A few labels are wider than first drawn (the power-on position, the glue-paper texts, the
// print-to-stop hint and the printable width and height): in Tahoma, the face Windows gives these
// dialogs in English, and in the CJK face of a Chinese system, their texts took a second line
// that the control does not show. Each still ends before the control beside it.
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
    {IDC_STATIC_POWER_ON_POSITION, staticText, {28, 108, 123, 8}, kLeftText, u"Automatic position when power on:"},
    {IDC_VALUE_POWER_ON_POSITION, staticText, {152, 108, 87, 8}, kLeftText, u"Static", IDC_STATIC_POWER_ON_POSITION},
    {IDC_STATIC_LABEL_HEIGHT, staticText, {28, 121, 67, 8}, kLeftText, u"Label Height:"},
    {IDC_VALUE_LABEL_HEIGHT, staticText, {152, 121, 88, 8}, kLeftText, u"Static", IDC_STATIC_LABEL_HEIGHT},
    {IDC_STATIC_PAPER_TYPE, staticText, {28, 134, 67, 8}, kLeftText, u"Paper Type:"},
    {IDC_VALUE_PAPER_TYPE, staticText, {152, 134, 88, 8}, kLeftText, u"Static", IDC_STATIC_PAPER_TYPE},
    {IDC_STATIC_REPRINT_WHEN_ERROR, staticText, {28, 147, 67, 8}, kLeftText, u"Reprint when error:"},
    {IDC_VALUE_REPRINT_WHEN_ERROR, staticText, {152, 147, 86, 8}, kLeftText, u"Static", IDC_STATIC_REPRINT_WHEN_ERROR},
    {IDC_STATIC_PREVENT_STICKER, staticText, {28, 160, 70, 8}, kLeftText, u"Prevent Glue Paper:"},
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

// ---- Test page, text test dialog, download dialog and firmware page ----
namespace test_and_download {

// Child pages: child window with system menu and the shell font, not visible; the dialog that
// hosts a page moves, sizes and shows it.
constexpr uint32_t kChildPage = WS_CHILD | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS;
// Modal dialogs: popup with caption, system menu and modal frame, shell font.
constexpr uint32_t kModalDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
constexpr uint32_t kDefPushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr uint32_t kSingleLineField = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

// Test page: dump mode and bad-point check in the upper frame, the two test prints in the lower.
// The dump-mode list is not sorted: its index is the mode sent, in every language.
constexpr ControlTemplate kTestTabControls[] = {
    {-1, button, {16, 12, 283, 49}, kGroupBox, u""},
    {-1, button, {16, 64, 283, 37}, kGroupBox, u""},
    {IDC_TEST_STATIC_DUMP_MODE, staticText, {25, 25, 88, 8}, kLeftText, u"Dump Mode:"},
    {IDC_TEST_COMBO_DUMP_MODE, comboBox, {134, 22, 48, 30}, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, u""},
    {IDC_TEST_BUTTON_DUMP_MODE_SET, button, {224, 21, 50, 14}, kPushButton, u"Set"},
    {IDC_TEST_BUTTON_SELF_TEST, button, {29, 78, 103, 14}, kPushButton, u"Self Test"},
    {IDC_TEST_BUTTON_PRINT_TEXT_TEST, button, {172, 78, 103, 14}, kPushButton, u"Print Text Test"},
    {IDC_TEST_STATIC_BAD_POINT_CHECK, staticText, {25, 46, 88, 8}, kLeftText, u"Bad Point Check:"},
    {IDC_TEST_STATIC_BAD_POINT_RESULT, staticText, {134, 47, 86, 8}, kLeftText, u"Normal", IDC_TEST_STATIC_BAD_POINT_CHECK},
    {IDC_TEST_BUTTON_BAD_POINT_CHECK, button, {224, 42, 50, 14}, kPushButton, u"Check"},
};

constexpr DialogTemplate kTestTabDialog{IDD_TEST_TAB, kChildPage, 316, 117, u"", u"MS Shell Dlg", 8, kTestTabControls};

// Text test: the text (Enter breaks the line), then the label's width and height in millimetres.
constexpr ControlTemplate kTextTestControls[] = {
    {IDC_TEXT_TEST_BUTTON_PRINT, button, {276, 100, 52, 17}, kDefPushButton, u"Print"},
    {IDC_TEXT_TEST_STATIC_ENTER, staticText, {16, 15, 184, 8}, kLeftText, u"Please enter text you need print:"},
    {IDC_TEXT_TEST_EDIT_TEXT, richEdit, {17, 28, 381, 62}, kSingleLineField | ES_MULTILINE | ES_WANTRETURN, u""},
    {IDC_TEXT_TEST_STATIC_AREA, button, {18, 91, 249, 31}, kGroupBox, u"Setting the print area use label"},
    {IDC_TEXT_TEST_STATIC_WIDTH, staticText, {27, 107, 57, 8}, kLeftText, u"Printable Width:"},
    {IDC_TEXT_TEST_STATIC_HEIGHT, staticText, {146, 107, 60, 8}, kLeftText, u"Printable Height:"},
    {IDC_TEXT_TEST_EDIT_WIDTH, richEdit, {85, 104, 28, 14}, kSingleLineField, u"", IDC_TEXT_TEST_STATIC_WIDTH},
    {IDC_TEXT_TEST_EDIT_HEIGHT, richEdit, {207, 104, 28, 14}, kSingleLineField, u"", IDC_TEXT_TEST_STATIC_HEIGHT},
    {IDC_TEXT_TEST_STATIC_WIDTH_UNIT, staticText, {119, 107, 18, 8}, kLeftText, u"mm"},
    {IDC_TEXT_TEST_STATIC_HEIGHT_UNIT, staticText, {244, 107, 15, 8}, kLeftText, u"mm"},
    {IDCANCEL, button, {339, 100, 52, 17}, kDefPushButton, u"Cancel"},
};

constexpr DialogTemplate kTextTestDialog{IDD_TEXT_TEST, kModalDialog, 414, 138, u"Print Text Test", u"MS Shell Dlg", 8, kTextTestControls};

// Download: one tab holding the firmware page.
constexpr ControlTemplate kDownloadControls[] = {
    {IDC_DOWNLOAD_TAB, tabControl, {19, 14, 393, 162}, WS_CHILD | WS_VISIBLE, u""},
};

constexpr DialogTemplate kDownloadDialog{IDD_DOWNLOAD, kModalDialog, 434, 191, u"Download", u"MS Shell Dlg", 8, kDownloadControls};

// Firmware page. The path field is read-only: it always shows the file that Update sends.
constexpr ControlTemplate kProgramTabControls[] = {
    {IDC_PROGRAM_STATIC_SELECT, staticText, {12, 17, 114, 8}, kLeftText, u"Select A Printer Firmware:"},
    {IDC_PROGRAM_BUTTON_OPEN, button, {303, 30, 71, 14}, kPushButton, u"Select Firmware"},
    {IDC_PROGRAM_BUTTON_UPDATE, button, {12, 49, 363, 14}, kPushButton, u"Update"},
    {IDC_PROGRAM_EDIT_PATH, richEdit, {12, 30, 284, 14}, kSingleLineField | ES_READONLY, u"", IDC_PROGRAM_STATIC_SELECT},
};

constexpr DialogTemplate kProgramTabDialog{IDD_PROGRAM_TAB, kChildPage, 389, 76, u"", u"MS Shell Dlg", 8, kProgramTabControls};

}  // namespace test_and_download
// ---- end of test page, text test and download ----
// clang-format on

// ---- Set Printer dialog (203) and its pages (204 to 206) ----
// A page is a child dialog without caption that starts hidden; the Set Printer dialog moves it
// into its tab control.
constexpr uint32_t kChildPage = WS_CHILD | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS;
// Single-line fields standing in for Rich Edit 2.0: border, scrolled sideways as typed into.
constexpr uint32_t kNumberField = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr uint32_t kDropDownList =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

// clang-format off
constexpr ControlTemplate kPrinterSetControls[] = {
    {IDC_TAB_PRINTER_SET, tabControl, {17, 14, 371, 241}, WS_CHILD | WS_VISIBLE, u""},
};

constexpr DialogTemplate kPrinterSetDialog{IDD_PRINTER_SET, 0x80C800C8, 401, 270, u"Set Printer", u"MS Shell Dlg", 8, kPrinterSetControls};

// Print settings: the labels first, then the values; each value names its label explicitly,
// since template order does not put the label just before it. The hints keep their texts.
constexpr ControlTemplate kPrintSettingControls[] = {
    {IDC_STATIC_PRINT_TYPE, staticText, {18, 14, 67, 8}, kLeftText, u"Print Type:"},
    {IDC_STATIC_POWER_ON_POSITION, staticText, {18, 28, 123, 8}, kLeftText, u"Automatic position when power on:"},
    {IDC_STATIC_LABEL_HEIGHT, staticText, {18, 43, 67, 8}, kLeftText, u"Label Height:"},
    {IDC_STATIC_PAPER_TYPE, staticText, {18, 58, 67, 8}, kLeftText, u"Paper Type:"},
    {IDC_STATIC_REPRINT_WHEN_ERROR, staticText, {18, 73, 67, 8}, kLeftText, u"Reprint when error:"},
    {IDC_STATIC_PREVENT_STICKER, staticText, {18, 181, 70, 8}, kLeftText, u"Prevent Glue Paper:"},
    {IDC_STATIC_SPECIAL_LABEL, staticText, {18, 88, 67, 8}, kLeftText, u"Special Label:"},
    {IDC_STATIC_PRINT_SPEED, staticText, {18, 104, 67, 8}, kLeftText, u"Print Speed:"},
    {IDC_STATIC_DARKNESS, staticText, {18, 119, 67, 8}, kLeftText, u"Darkness Setting:"},
    {IDC_STATIC_H_ORIGIN, staticText, {18, 136, 67, 8}, kLeftText, u"Horizontal Origin:"},
    {IDC_STATIC_VERTICAL_ORIGIN, staticText, {18, 151, 67, 8}, kLeftText, u"Vertical Origin:"},
    {IDC_STATIC_PRINT_TO_STOP, staticText, {18, 166, 67, 8}, kLeftText, u"Print To Stop:"},
    {IDC_EDIT_PRINT_TO_STOP, richEdit, {157, 164, 48, 14}, kNumberField, u"", IDC_STATIC_PRINT_TO_STOP},
    {IDC_EDIT_VERTICAL_ORIGIN, richEdit, {157, 148, 47, 14}, kNumberField, u"", IDC_STATIC_VERTICAL_ORIGIN},
    {IDC_EDIT_H_ORIGIN, richEdit, {157, 132, 47, 14}, kNumberField, u"", IDC_STATIC_H_ORIGIN},
    {IDC_COMBO_PRINT_TYPE, comboBox, {157, 11, 80, 30}, kDropDownList, u"", IDC_STATIC_PRINT_TYPE},
    {IDC_COMBO_POWER_ON_POSITION, comboBox, {157, 26, 80, 30}, kDropDownList, u"", IDC_STATIC_POWER_ON_POSITION},
    {IDC_EDIT_LABEL_HEIGHT, richEdit, {157, 41, 47, 14}, kNumberField, u"", IDC_STATIC_LABEL_HEIGHT},
    {IDC_COMBO_PAPER_TYPE, comboBox, {157, 57, 80, 30}, kDropDownList, u"", IDC_STATIC_PAPER_TYPE},
    {IDC_COMBO_REPRINT_WHEN_ERROR, comboBox, {157, 72, 80, 30}, kDropDownList, u"", IDC_STATIC_REPRINT_WHEN_ERROR},
    {IDC_COMBO_PREVENT_STICKER, comboBox, {157, 181, 80, 30}, kDropDownList, u"", IDC_STATIC_PREVENT_STICKER},
    {IDC_COMBO_SPECIAL_LABEL, comboBox, {157, 87, 80, 30}, kDropDownList, u"", IDC_STATIC_SPECIAL_LABEL},
    {IDC_COMBO_PRINT_SPEED, comboBox, {157, 102, 80, 30}, kDropDownList, u"", IDC_STATIC_PRINT_SPEED},
    {IDC_COMBO_DARKNESS, comboBox, {157, 117, 80, 30}, kDropDownList, u"", IDC_STATIC_DARKNESS},
    {IDC_BUTTON_PRINT_SETTING_SET, button, {14, 213, 250, 14}, kPushButton, u"Set"},
    {IDC_STATIC_HINT_LABEL_HEIGHT, staticText, {205, 45, 52, 8}, kLeftText, u"(30-400)mm"},
    {IDC_STATIC_HINT_H_ORIGIN, staticText, {206, 134, 27, 8}, kLeftText, u"(0-89)"},
    {IDC_STATIC_HINT_VERTICAL_ORIGIN, staticText, {206, 151, 24, 8}, kLeftText, u"(0-89)"},
    {IDC_STATIC_HINT_PRINT_TO_STOP, staticText, {206, 167, 28, 8}, kLeftText, u"(-89-89)"},
    {IDC_EDIT_PREVENT_TIME, richEdit, {157, 196, 47, 14}, kNumberField, u"", IDC_STATIC_AFTER_PRINTING},
    {IDC_STATIC_N_MINUTES_LATER_OPEN, staticText, {205, 198, 92, 8}, kLeftText, u"(0-255)minutes later open"},
    {IDC_STATIC_AFTER_PRINTING, staticText, {108, 198, 48, 8}, kLeftText, u"After printing"},
};

constexpr DialogTemplate kPrintSettingPage{IDD_PRINT_SETTING, kChildPage, 309, 238, u"", u"MS Shell Dlg", 8, kPrintSettingControls};

// User settings: an unsorted beeper list, so its entries stay disable, enable in every language.
constexpr ControlTemplate kUserDefControls[] = {
    {IDC_STATIC_USER_BEEP, staticText, {21, 24, 63, 8}, kLeftText, u"Beep:"},
    {IDC_COMBO_USER_BEEP, comboBox, {109, 21, 48, 30}, kDropDownList, u"", IDC_STATIC_USER_BEEP},
    {-1, button, {15, 9, 230, 52}, kGroupBox, u""},
    {IDC_BUTTON_USER_BEEP_SET, button, {186, 20, 50, 14}, kPushButton, u"Set"},
    {IDC_BUTTON_USER_DEF_SET_DEFAULT, button, {21, 39, 214, 14}, kPushButton, u"Restore factory settings"},
};

constexpr DialogTemplate kUserDefPage{IDD_USER_DEF, kChildPage, 260, 76, u"", u"MS Shell Dlg", 8, kUserDefControls};

constexpr ControlTemplate kLocationControls[] = {
    {-1, button, {14, 9, 233, 35}, kGroupBox, u""},
    {IDC_STATIC_LABEL_AUTO_LEARN, staticText, {24, 24, 78, 8}, kLeftText, u"Label Auto Learn:"},
    {IDC_BUTTON_LABEL_AUTO_LEARN, button, {139, 20, 97, 14}, kPushButton, u"Set"},
    {-1, button, {14, 50, 233, 35}, kGroupBox, u""},
    {IDC_STATIC_LACK_PAPER_LEARN, staticText, {24, 65, 78, 8}, kLeftText, u"Lack Paper Learn:"},
    {IDC_BUTTON_LACK_PAPER_LEARN, button, {140, 61, 97, 14}, kPushButton, u"Set"},
};

constexpr DialogTemplate kLocationPage{IDD_LOCATION_TAB, kChildPage, 264, 100, u"", u"MS Shell Dlg", 8, kLocationControls};
// clang-format on
// ---- end of the Set Printer dialog ----

constexpr std::array kTemplates{&kMainDialog,
                                &kPrinterInfoDialog,
                                &kPrinterSetDialog,
                                &kPrintSettingPage,
                                &kUserDefPage,
                                &kLocationPage,
                                &test_and_download::kTestTabDialog,
                                &test_and_download::kTextTestDialog,
                                &test_and_download::kDownloadDialog,
                                &test_and_download::kProgramTabDialog};

}  // namespace

std::span<const DialogTemplate* const> programDialogTemplates() {
    return kTemplates;
}

const char* const* findIconResource(int id) {
    return id == IDI_APP_ICON ? app_icon_xpm : nullptr;
}

}  // namespace ui
