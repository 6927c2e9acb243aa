/*
 * QVSettingToolDll: the link library of the QV-410 USB thermal label printer.
 *
 * Every exchange with the printer goes through these exports. Printer operations return a
 * 32-bit integer, nonzero for success and 0 for failure; after a failure BaseGetQVError()
 * gives the code (QV_ERR_*) and BaseGetQVErrorString() its catalog text. The last error code
 * is never cleared by a success. All calls are synchronous and must come from one thread.
 */
#ifndef QV_SETTING_TOOL_DLL_H
#define QV_SETTING_TOOL_DLL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QV_EXTERN_C extern "C"
#else
#include <uchar.h>
#define QV_EXTERN_C
#endif

#if defined(_WIN32)
#if defined(QV_BUILDING_DLL)
#define QV_API QV_EXTERN_C __declspec(dllexport)
#else
#define QV_API QV_EXTERN_C __declspec(dllimport)
#endif
#else
#define QV_API QV_EXTERN_C __attribute__((visibility("default")))
#endif

/* UTF-16 text unit. C++ sees char16_t on every platform, so one source serves both; C on Windows
 * sees wchar_t (16 bits there), the type its wide-string calls take. Same size either way, so the
 * records keep their layout. */
#if defined(__cplusplus) || !defined(_WIN32)
typedef char16_t QVWCHAR;
#else
typedef wchar_t QVWCHAR;
#endif

/* Error codes left by failing exports (BaseGetQVError). */
enum {
    QV_ERR_SUCCESS = 0,
    QV_ERR_INVALID_PARAM = 1,
    QV_ERR_FILE_NOT_FIND = 2,
    QV_ERR_INVALID_FIRMWARE = 3,
    QV_ERR_NOT_FINE_USB_PRINTER = 50,
    QV_ERR_CANNOT_OPEN_USB_PRINTER = 51,
    QV_ERR_WRITE_USB_FAIL = 52,
    QV_ERR_READ_USB_FAIL = 53,
    QV_ERR_READ_USB_BEYOND_MAX_TIME = 54,
    QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT = 55,
    QV_ERR_PRINT_STATUS_IS_NOT_READY = 56
};

/* Status bits of QVGetPrinterIsOK; 0 means ready. */
enum {
    QV_STATUS_PRINT_PAUSE = 0x40,
    QV_STATUS_STUCK_PAPER = 0x20,
    QV_STATUS_VOLTAGE_ERR = 0x10,
    QV_STATUS_LACK_PAPER = 0x08,
    QV_STATUS_SWITCH_NOT_PLACE = 0x04,
    QV_STATUS_OVER_HEAT = 0x02,
    QV_STATUS_RAM_TEST_FAIL = 0x01
};

#define QV_PRINTER_TEXT_LEN 64
#define QV_TEXT_TEST_LEN 1040

/* What the printer reports about itself (QVGetPrinterInfo). */
typedef struct PrinterInfo {
    QVWCHAR printerType[QV_PRINTER_TEXT_LEN];
    QVWCHAR serialNumber[QV_PRINTER_TEXT_LEN];
    QVWCHAR firmwareVersion[QV_PRINTER_TEXT_LEN];
    int32_t status;
    int32_t printedLength; /* hundredths of a metre */
} PrinterInfo;

/* The printer's thirteen stored print settings. */
typedef struct PrintSettingParam {
    uint8_t printType;        /* 0 thermal, 1 ribbon */
    uint8_t powerOnPosition;  /* 0 off, 1 on */
    uint16_t labelHeight;     /* millimetres */
    uint8_t paperType;        /* 0 receipt, 1 labels, 2 black mark */
    uint8_t reprintWhenError; /* 0 off, 1 on */
    uint8_t preventSticker;   /* 0 off, 1 on */
    uint8_t specialLabel;     /* 0 off, 1 on */
    uint8_t printSpeed;       /* 0 to 9 */
    uint8_t darkness;         /* 0 to 15 */
    uint8_t hOrigin;          /* 0 to 89 */
    uint8_t verticalOrigin;   /* 0 to 89 */
    /* Written: sign-magnitude code in the low byte (-5 is 0x0085). Read: a true signed value. */
    int16_t printToStop;
    uint16_t preventTime; /* minutes */
} PrintSettingParam;

#pragma pack(push, 1)
/* A label to print with QVTextTestPrint; lines of text are separated by CR LF. */
typedef struct TextTestRequest {
    uint8_t width;  /* millimetres */
    uint8_t height; /* millimetres */
    QVWCHAR text[QV_TEXT_TEST_LEN];
} TextTestRequest;
#pragma pack(pop)

#ifdef __cplusplus
#define QV_STATIC_ASSERT static_assert
#else
#define QV_STATIC_ASSERT _Static_assert
#endif
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L)
QV_STATIC_ASSERT(sizeof(QVWCHAR) == 2, "UTF-16 text unit");
QV_STATIC_ASSERT(sizeof(PrinterInfo) == 392, "PrinterInfo layout");
QV_STATIC_ASSERT(offsetof(PrinterInfo, serialNumber) == 128, "PrinterInfo layout");
QV_STATIC_ASSERT(offsetof(PrinterInfo, firmwareVersion) == 256, "PrinterInfo layout");
QV_STATIC_ASSERT(offsetof(PrinterInfo, status) == 384, "PrinterInfo layout");
QV_STATIC_ASSERT(offsetof(PrinterInfo, printedLength) == 388, "PrinterInfo layout");
QV_STATIC_ASSERT(sizeof(PrintSettingParam) == 16, "PrintSettingParam layout");
QV_STATIC_ASSERT(offsetof(PrintSettingParam, labelHeight) == 2, "PrintSettingParam layout");
QV_STATIC_ASSERT(offsetof(PrintSettingParam, paperType) == 4, "PrintSettingParam layout");
QV_STATIC_ASSERT(offsetof(PrintSettingParam, specialLabel) == 7, "PrintSettingParam layout");
QV_STATIC_ASSERT(offsetof(PrintSettingParam, verticalOrigin) == 11, "PrintSettingParam layout");
QV_STATIC_ASSERT(offsetof(PrintSettingParam, printToStop) == 12, "PrintSettingParam layout");
QV_STATIC_ASSERT(offsetof(PrintSettingParam, preventTime) == 14, "PrintSettingParam layout");
QV_STATIC_ASSERT(sizeof(TextTestRequest) == 2082, "TextTestRequest layout");
QV_STATIC_ASSERT(offsetof(TextTestRequest, text) == 2, "TextTestRequest layout");
#endif

/* Last error code; no side effect (it is not cleared). */
QV_API int32_t BaseGetQVError(void);

/* Sends 1F 1B 1A 04 01 00; writes the printer type (<= 64 units). Errors 1, 50, 51, 52, 53. */
QV_API int32_t QVGetPrinterType(QVWCHAR* type);
/* Sends 1F 1B 1A 04 01 02; writes the serial number (<= 64 units). Errors 1, 50-53. */
QV_API int32_t QVGetPrinterSerialNum(QVWCHAR* serial);
/* Sends 1F 1B 1A 04 01 03; writes the firmware version (<= 64 units). Errors 1, 50-53. */
QV_API int32_t QVGetPrinterFirmwareVer(QVWCHAR* version);
/* Sends 1F 1B 1A 04 01 01; writes the status (0 ready, else QV_STATUS_* bits). Errors 1, 50-53. */
QV_API int32_t QVGetPrinterIsOK(int32_t* status);
/* Sends 1F 1B 1A 04 01 04; writes the printed length in 1/100 m. Errors 1, 50-53. */
QV_API int32_t QVGetPrinterPrintedLen(int32_t* length);
/* Sends 1F 1B 1A 03 01 03; writes the bad-point count (0 = none). Errors 1, 50-53. */
QV_API int32_t QVBadPointCheck(int32_t* count);
/* Five queries: type, status, printed length, serial, firmware. Errors 50, 1, 51-53. */
QV_API int32_t QVGetPrinterInfo(PrinterInfo* info);
/* Sends 1F 1B 1A 01 01 02; succeeds on the reply marker FF FF FF F0. Errors 50, 51, 53. */
QV_API int32_t USBCheckConnection(void);

/* Sends the 20-byte print-settings packet; read the answer with GetSettingResult. Errors 1, 50-52.
 */
QV_API int32_t QVSetPrintSetting(const PrintSettingParam* param);
/* Sends 1F 1B 1A 05 01 00 and decodes the stored settings. Errors 1, 50-53. */
QV_API int32_t QVGetPrinterPrintSettingParam(PrintSettingParam* param);
/* Sends 1F 1B 1A 01 02 00 v (buzzer 0 off, 1 on). Errors 1, 50-52. */
QV_API int32_t QVSetUserDefSetting(const uint8_t* buzzer);
/* Sends 1F 1B 1A 01 01 01. Errors 50-52. */
QV_API int32_t QVRestoreFactorySettings(void);
/* Status must be ready; sends 1F 1B 1A 03 01 v (0 = label learning). Errors 1, 50-53, 56. */
QV_API int32_t QVSetLocationSetting(const uint8_t* location);
/* Sends 1F 1B 1A 03 02 02 v with the low byte of mode. Errors 50-52. */
QV_API int32_t QVSetDumpMode(int32_t mode);
/* Sends 1F 1B 1A 02 01 02 without looking for the printer first. Errors 51, 52. */
QV_API int32_t QVLabelLackPaperLearn(void);
/* Reads (up to three times) and judges the answer to the last command. Errors 50, 51, 53, 54. */
QV_API int32_t GetSettingResult(void);

/* Status must be ready; prints the request's text on a label. Errors 1, 50-53, 56. */
QV_API int32_t QVTextTestPrint(const TextTestRequest* request);
/* Status must be ready; sends 1F 1B 1A 03 01 01, waits 2 s, sends the head-test job. Errors
 * 50-53, 56. */
QV_API int32_t QVSelfTestPrint(void);

/* Sends the whole file as one 1F 75 packet; read the answer with GetSettingResult. Errors 1, 2, 3,
 * 51, 52. */
QV_API int32_t BaseDownloadFirmware(const QVWCHAR* path);

/* Writes the catalog text of a message id into text (260 units) and returns text; an id without
 * translation leaves text untouched. Null argument: returns null, error 1. */
QV_API QVWCHAR* BaseGetPOText(const char* id, QVWCHAR* text);
/* Writes the catalog text of an error code into text; codes without a message id do nothing. */
QV_API void BaseGetQVErrorString(int32_t code, QVWCHAR* text);

/* ---- Additions to the original interface: choosing among several attached printers. ----
 * The exports above use the first printer found and keep it; these two list every attached
 * QV-410 and make another one the printer in use. */

/* Room for one device path with its terminator. */
#define QV_DEVICE_PATH_LEN 260

/* Lists the device path of every attached QV-410, sending nothing, in the order the exports above
 * consider them (the first is theirs until QVSelectPrinterPath chooses another). paths has room
 * for maxPaths paths of QV_DEVICE_PATH_LEN units; each is written zero-terminated. paths NULL
 * with maxPaths 0 only counts. Returns the number of printers. Errors: 50 when none is attached;
 * 1 for paths NULL with maxPaths other than 0, a negative maxPaths, or a maxPaths smaller than
 * the number of printers (then nothing is written). */
QV_API int32_t QVListPrinterPaths(QVWCHAR (*paths)[QV_DEVICE_PATH_LEN], int32_t maxPaths);
/* Makes path (zero-terminated, shorter than QV_DEVICE_PATH_LEN) the printer every export uses
 * from now on, once it opens as a printer device (nothing is sent), and arms the firmware-version
 * gate again: the next packet first asks this printer for its firmware version. Errors: 1 for a
 * null, empty, too long or malformed path; 51 when the path does not open as a printer device (a
 * file, a directory, a FIFO...), and the printer in use is then unchanged. */
QV_API int32_t QVSelectPrinterPath(const QVWCHAR* path);

#endif /* QV_SETTING_TOOL_DLL_H */
