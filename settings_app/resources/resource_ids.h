// Resource and control ids of the program's dialogs.
#pragma once

inline constexpr int IDI_APP_ICON = 128;

// Main dialog (template 129).
inline constexpr int IDD_MAIN_DIALOG = 129;
inline constexpr int IDC_PRINTER_LIST = 1000;
inline constexpr int IDC_BUTTON_ADD_PRINTER = 1001;
inline constexpr int IDC_BUTTON_MODIFY_PRINTER = 1002;
inline constexpr int IDC_BUTTON_DEL_PRINTER = 1003;
inline constexpr int IDC_BUTTON_CONNECT_TEST = 1004;
inline constexpr int IDC_BUTTON_SET_PRINTER = 1005;
inline constexpr int IDC_BUTTON_SHOW_PRINTER_INFO = 1006;
inline constexpr int IDC_BUTTON_MAIN_DOWNLOAD = 1007;

// Printer information dialog (template 209).
inline constexpr int IDD_SHOW_PRINTER_INFO = 209;
inline constexpr int IDC_STATIC_PRINTER_TYPE = 1055;
inline constexpr int IDC_STATIC_SERIAL_NUMBER = 1056;
inline constexpr int IDC_STATIC_FIRMWARE_VERSION = 1057;
inline constexpr int IDC_STATIC_PRINT_LENGTH = 1058;
inline constexpr int IDC_STATIC_PRINTER_STATUS = 1059;
inline constexpr int IDC_VALUE_PRINTER_TYPE = 1060;
inline constexpr int IDC_VALUE_SERIAL_NUMBER = 1061;
inline constexpr int IDC_VALUE_FIRMWARE_VERSION = 1062;
inline constexpr int IDC_VALUE_PRINT_LENGTH = 1063;
inline constexpr int IDC_VALUE_PRINTER_STATUS = 1064;
inline constexpr int IDC_STATIC_PRINT_TYPE = 1012;
inline constexpr int IDC_STATIC_POWER_ON_POSITION = 1013;
inline constexpr int IDC_STATIC_LABEL_HEIGHT = 1014;
inline constexpr int IDC_STATIC_PAPER_TYPE = 1015;
inline constexpr int IDC_STATIC_REPRINT_WHEN_ERROR = 1016;
inline constexpr int IDC_STATIC_PREVENT_STICKER = 1017;
inline constexpr int IDC_STATIC_SPECIAL_LABEL = 1018;
inline constexpr int IDC_STATIC_PRINT_SPEED = 1019;
inline constexpr int IDC_STATIC_DARKNESS = 1020;
inline constexpr int IDC_STATIC_H_ORIGIN = 1021;
inline constexpr int IDC_STATIC_VERTICAL_ORIGIN = 1022;
inline constexpr int IDC_STATIC_PRINT_TO_STOP = 1023;
inline constexpr int IDC_STATIC_PREVENT_TIME = 1024;
inline constexpr int IDC_STATIC_SHOW_MINUTES = 1025;
inline constexpr int IDC_VALUE_PRINT_TYPE = 1070;
inline constexpr int IDC_VALUE_POWER_ON_POSITION = 1071;
inline constexpr int IDC_VALUE_LABEL_HEIGHT = 1072;
inline constexpr int IDC_VALUE_PAPER_TYPE = 1073;
inline constexpr int IDC_VALUE_REPRINT_WHEN_ERROR = 1074;
inline constexpr int IDC_VALUE_PREVENT_STICKER = 1075;
inline constexpr int IDC_VALUE_SPECIAL_LABEL = 1076;
inline constexpr int IDC_VALUE_DARKNESS = 1077;  // the darkness row holds 1077, speed 1078
inline constexpr int IDC_VALUE_PRINT_SPEED = 1078;
inline constexpr int IDC_VALUE_H_ORIGIN = 1079;
inline constexpr int IDC_VALUE_VERTICAL_ORIGIN = 1080;
inline constexpr int IDC_VALUE_PRINT_TO_STOP = 1081;
inline constexpr int IDC_VALUE_PREVENT_TIME = 1082;

// ---- Set Printer dialog (template 203) and its pages (templates 204 to 206) ----
inline constexpr int IDD_PRINTER_SET = 203;
inline constexpr int IDD_PRINT_SETTING = 204;
inline constexpr int IDD_USER_DEF = 205;
inline constexpr int IDD_LOCATION_TAB = 206;
inline constexpr int IDC_TAB_PRINTER_SET = 1011;

// Print settings page: its row labels are 1012 to 1023 (IDC_STATIC_PRINT_TYPE ... above).
inline constexpr int IDC_EDIT_PRINT_TO_STOP = 1024;
inline constexpr int IDC_EDIT_VERTICAL_ORIGIN = 1025;
inline constexpr int IDC_EDIT_H_ORIGIN = 1026;
inline constexpr int IDC_COMBO_PRINT_TYPE = 1027;
inline constexpr int IDC_COMBO_POWER_ON_POSITION = 1028;
inline constexpr int IDC_EDIT_LABEL_HEIGHT = 1029;
inline constexpr int IDC_COMBO_PAPER_TYPE = 1030;
inline constexpr int IDC_COMBO_REPRINT_WHEN_ERROR = 1031;
inline constexpr int IDC_COMBO_PREVENT_STICKER = 1032;
inline constexpr int IDC_COMBO_SPECIAL_LABEL = 1033;
inline constexpr int IDC_COMBO_PRINT_SPEED = 1034;
inline constexpr int IDC_COMBO_DARKNESS = 1035;
inline constexpr int IDC_BUTTON_PRINT_SETTING_SET = 1036;
inline constexpr int IDC_EDIT_PREVENT_TIME = 1038;
inline constexpr int IDC_STATIC_HINT_LABEL_HEIGHT = 1054;
inline constexpr int IDC_STATIC_HINT_H_ORIGIN = 1055;
inline constexpr int IDC_STATIC_HINT_VERTICAL_ORIGIN = 1056;
inline constexpr int IDC_STATIC_HINT_PRINT_TO_STOP = 1057;
inline constexpr int IDC_STATIC_N_MINUTES_LATER_OPEN = 1058;
inline constexpr int IDC_STATIC_AFTER_PRINTING = 1059;

// User settings page.
inline constexpr int IDC_STATIC_USER_BEEP = 1037;
inline constexpr int IDC_COMBO_USER_BEEP = 1038;
inline constexpr int IDC_BUTTON_USER_BEEP_SET = 1039;
inline constexpr int IDC_BUTTON_USER_DEF_SET_DEFAULT = 1040;

// Location page.
inline constexpr int IDC_STATIC_LABEL_AUTO_LEARN = 1041;
inline constexpr int IDC_STATIC_LACK_PAPER_LEARN = 1042;
inline constexpr int IDC_BUTTON_LABEL_AUTO_LEARN = 1043;
inline constexpr int IDC_BUTTON_LACK_PAPER_LEARN = 1044;
// ---- end of the Set Printer dialog ----
// ---- Test page, text test dialog, download dialog and firmware page ----

// Test page (template 207), the fourth page of the Set Printer dialog.
inline constexpr int IDD_TEST_TAB = 207;
inline constexpr int IDC_TEST_STATIC_DUMP_MODE = 1044;
inline constexpr int IDC_TEST_COMBO_DUMP_MODE = 1045;
inline constexpr int IDC_TEST_BUTTON_DUMP_MODE_SET = 1046;
inline constexpr int IDC_TEST_BUTTON_SELF_TEST = 1047;
inline constexpr int IDC_TEST_BUTTON_PRINT_TEXT_TEST = 1048;
inline constexpr int IDC_TEST_STATIC_BAD_POINT_CHECK = 1049;
inline constexpr int IDC_TEST_STATIC_BAD_POINT_RESULT = 1050;
inline constexpr int IDC_TEST_BUTTON_BAD_POINT_CHECK = 1051;

// Text test dialog (template 208).
inline constexpr int IDD_TEXT_TEST = 208;
inline constexpr int IDC_TEXT_TEST_STATIC_ENTER = 1047;
inline constexpr int IDC_TEXT_TEST_EDIT_TEXT = 1048;
inline constexpr int IDC_TEXT_TEST_STATIC_AREA = 1049;
inline constexpr int IDC_TEXT_TEST_STATIC_HEIGHT = 1050;
inline constexpr int IDC_TEXT_TEST_STATIC_WIDTH = 1051;
inline constexpr int IDC_TEXT_TEST_EDIT_WIDTH = 1052;
inline constexpr int IDC_TEXT_TEST_EDIT_HEIGHT = 1053;
inline constexpr int IDC_TEXT_TEST_STATIC_WIDTH_UNIT = 1054;
inline constexpr int IDC_TEXT_TEST_STATIC_HEIGHT_UNIT = 1055;
inline constexpr int IDC_TEXT_TEST_BUTTON_PRINT = 1056;

// Download dialog (template 201) and its firmware page (template 202).
inline constexpr int IDD_DOWNLOAD = 201;
inline constexpr int IDC_DOWNLOAD_TAB = 1006;
inline constexpr int IDD_PROGRAM_TAB = 202;
inline constexpr int IDC_PROGRAM_STATIC_SELECT = 1007;
inline constexpr int IDC_PROGRAM_BUTTON_OPEN = 1008;
inline constexpr int IDC_PROGRAM_BUTTON_UPDATE = 1009;
inline constexpr int IDC_PROGRAM_EDIT_PATH = 1010;

// ---- end of test page, text test and download ----
