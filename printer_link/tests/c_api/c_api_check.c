/*
 * A C caller of the library, as the settings program is one: includes the public header, links
 * the library's import library, binds the catalog through the libintl the library exports, and
 * calls every export against the simulated printer (QV410_DEVICE=simulator).
 *
 * usage: c_api_check <catalog folder holding en_US/LC_MESSAGES/PrinterTest.mo>
 * Exit code 0 when every check held; each failed check is printed.
 */
#include <libintl.h>
#include <locale.h>
#include <stdio.h>
#include <string.h>

#include "QVSettingToolDll.h"

/* The Windows libintl.h routes setlocale to a libintl function of its own, which the library does
 * not export; the C runtime's is the one wanted here (libintl reads the environment itself). */
#undef setlocale

static int failures = 0;

/* No printf family here: the Windows libintl.h replaces it with its own. */
#define QV_STRING(x) #x
#define QV_LINE(x) QV_STRING(x)
#define CHECK(condition)                                                                \
    do {                                                                                \
        if (!(condition)) {                                                             \
            fputs(__FILE__ ":" QV_LINE(__LINE__) ": failed: " #condition "\n", stderr); \
            ++failures;                                                                 \
        }                                                                               \
    } while (0)

/* Whether a library text equals an ASCII text. */
static int equals(const QVWCHAR* text, const char* ascii) {
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i) {
        if (text[i] != (QVWCHAR)(unsigned char)ascii[i]) {
            return 0;
        }
    }
    return text[i] == 0;
}

static void widen(const char* ascii, QVWCHAR* out, size_t capacity) {
    size_t i = 0;
    for (; ascii[i] != '\0' && i + 1 < capacity; ++i) {
        out[i] = (QVWCHAR)(unsigned char)ascii[i];
    }
    out[i] = 0;
}

static void checkCatalog(const char* catalogs) {
    QVWCHAR text[260];
    /* The program binds the domain; the library looks up in that very state. */
    CHECK(bindtextdomain("PrinterTest", catalogs) != NULL);
    CHECK(textdomain("PrinterTest") != NULL);
    CHECK(bind_textdomain_codeset("PrinterTest", "utf-8") != NULL);
    memset(text, 0, sizeof text);
    CHECK(BaseGetPOText("PO_GSTR_SUCCESS", text) == text);
    CHECK(equals(text, "Success!"));
    memset(text, 0, sizeof text);
    BaseGetQVErrorString(QV_ERR_NOT_FINE_USB_PRINTER, text);
    CHECK(equals(text, "No USB printer was found."));
    CHECK(BaseGetPOText("PO_GSTR_SUCCESS", NULL) == NULL);
    CHECK(BaseGetQVError() == QV_ERR_INVALID_PARAM);
}

static void checkQueries(void) {
    QVWCHAR text[QV_PRINTER_TEXT_LEN];
    int32_t value = -1;
    PrinterInfo info;

    CHECK(QVGetPrinterType(text) == 1 && equals(text, "QV-410"));
    CHECK(QVGetPrinterSerialNum(text) == 1 && equals(text, "QV410-2511-000417"));
    CHECK(QVGetPrinterFirmwareVer(text) == 1 && equals(text, "V1.05 2025-11-10"));
    CHECK(QVGetPrinterIsOK(&value) == 1 && value == 0);
    CHECK(QVGetPrinterPrintedLen(&value) == 1 && value == 12345);
    value = -1;
    CHECK(QVBadPointCheck(&value) == 1 && value == 0);
    memset(&info, 0xAB, sizeof info);
    CHECK(QVGetPrinterInfo(&info) == 1);
    CHECK(equals(info.printerType, "QV-410") && equals(info.serialNumber, "QV410-2511-000417"));
    CHECK(info.status == 0 && info.printedLength == 12345);
    CHECK(USBCheckConnection() == 1);
    CHECK(QVGetPrinterType(NULL) == 0 && BaseGetQVError() == QV_ERR_INVALID_PARAM);
}

static void checkSettings(void) {
    PrintSettingParam settings;
    uint8_t byte = 0;

    memset(&settings, 0, sizeof settings);
    CHECK(QVGetPrinterPrintSettingParam(&settings) == 1);
    CHECK(settings.labelHeight == 400 && settings.printSpeed == 5 && settings.darkness == 8);
    settings.darkness = 12;
    settings.labelHeight = 150;
    CHECK(QVSetPrintSetting(&settings) == 1 && GetSettingResult() == 1);
    memset(&settings, 0, sizeof settings);
    CHECK(QVGetPrinterPrintSettingParam(&settings) == 1);
    CHECK(settings.darkness == 12 && settings.labelHeight == 150);

    CHECK(QVSetUserDefSetting(&byte) == 1 && GetSettingResult() == 1);
    CHECK(QVRestoreFactorySettings() == 1 && GetSettingResult() == 1);
    CHECK(QVGetPrinterPrintSettingParam(&settings) == 1 && settings.darkness == 8);
    byte = 0;
    CHECK(QVSetLocationSetting(&byte) == 1 && GetSettingResult() == 1);
    CHECK(QVSetDumpMode(0) == 1 && GetSettingResult() == 1);
    CHECK(QVLabelLackPaperLearn() == 1 && GetSettingResult() == 1);
}

static void checkPrintsAndFirmware(void) {
    static TextTestRequest request; /* 2 KiB: not on the stack of a small test */
    QVWCHAR path[64];
    unsigned char image[1000];
    FILE* file;
    size_t i;

    memset(&request, 0, sizeof request);
    request.width = 50;
    request.height = 30;
    widen("Print Text Test", request.text, QV_TEXT_TEST_LEN);
    CHECK(QVTextTestPrint(&request) == 1);
    CHECK(QVTextTestPrint(NULL) == 0 && BaseGetQVError() == QV_ERR_INVALID_PARAM);
    CHECK(QVSelfTestPrint() == 1);

    for (i = 0; i < sizeof image; ++i) {
        image[i] = (unsigned char)(i * 7 + 3);
    }
    image[10] = '\r';
    image[11] = '\n';
    image[12] = 0x1A;
    file = fopen("c_api_check_firmware.bin", "wb");
    CHECK(file != NULL);
    if (file != NULL) {
        CHECK(fwrite(image, sizeof image, 1, file) == 1);
        fclose(file);
    }
    widen("c_api_check_firmware.bin", path, 64);
    CHECK(BaseDownloadFirmware(path) == 1 && GetSettingResult() == 1);
    remove("c_api_check_firmware.bin");
    widen("c_api_check_absent.bin", path, 64);
    CHECK(BaseDownloadFirmware(path) == 0 && BaseGetQVError() == QV_ERR_FILE_NOT_FIND);
}

/* The two additions: the simulator is the one printer attached, and it can be chosen again by
 * the path listed for it; other paths are refused and leave it in use. */
static void checkPrinterChoice(void) {
    static QVWCHAR paths[2][QV_DEVICE_PATH_LEN];
    QVWCHAR other[64];
    int32_t status = -1;

    CHECK(QVListPrinterPaths(NULL, 0) == 1);
    CHECK(QVListPrinterPaths(NULL, 2) == 0 && BaseGetQVError() == QV_ERR_INVALID_PARAM);
    memset(paths, 0x55, sizeof paths);
    CHECK(QVListPrinterPaths(paths, 0) == 0 && BaseGetQVError() == QV_ERR_INVALID_PARAM);
    CHECK(paths[0][0] == 0x5555); /* too small: nothing written */
    CHECK(QVListPrinterPaths(paths, 2) == 1);
    CHECK(paths[0][0] != 0 && paths[1][0] == 0x5555);
    CHECK(QVSelectPrinterPath(paths[0]) == 1);
    CHECK(QVGetPrinterIsOK(&status) == 1 && status == 0);
    widen("c_api_check_no_such_printer", other, 64);
    CHECK(QVSelectPrinterPath(other) == 0 && BaseGetQVError() == QV_ERR_CANNOT_OPEN_USB_PRINTER);
    CHECK(QVSelectPrinterPath(NULL) == 0 && BaseGetQVError() == QV_ERR_INVALID_PARAM);
    status = -1;
    CHECK(QVGetPrinterIsOK(&status) == 1 && status == 0);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fputs("usage: c_api_check <catalog folder>\n", stderr);
        return 2;
    }
    setlocale(LC_ALL, "");
    CHECK(BaseGetQVError() == 0);
    checkCatalog(argv[1]);
    checkQueries();
    checkSettings();
    checkPrintsAndFirmware();
    checkPrinterChoice();
    if (failures == 0) {
        puts("every export answered as expected");
    }
    return failures == 0 ? 0 : 1;
}
