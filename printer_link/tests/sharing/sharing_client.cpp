// One of the programs of the Windows sharing test: rounds of the identity and status queries
// through the DLL against the printer QV410_DEVICE names, each answer checked against what the
// test's printer holds. Prints "right R busy B wrong W failed F" and ends with 0 only when every
// call gave the printer's own values or, kept out past the wait, 51.
//
// Usage: sharing_client ROUNDS SERIAL STATUS PRINTED_LENGTH
#include <cstdio>
#include <cstdlib>
#include <string>

#include "QVSettingToolDll.h"

namespace {

std::string narrow(const QVWCHAR* text) {
    std::string out;
    for (int i = 0; i < QV_PRINTER_TEXT_LEN && text[i] != 0; ++i) {
        out.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: sharing_client ROUNDS SERIAL STATUS PRINTED_LENGTH\n");
        return 64;
    }
    const int rounds = std::atoi(argv[1]);
    const std::string serial = argv[2];
    const int32_t status = std::atoi(argv[3]);
    const int32_t printedLength = std::atoi(argv[4]);
    int right = 0;
    int busy = 0;
    int wrong = 0;
    int failed = 0;
    auto outcome = [&](int32_t result, bool asExpected) {
        if (result == 1) {
            ++(asExpected ? right : wrong);
        } else if (BaseGetQVError() == QV_ERR_CANNOT_OPEN_USB_PRINTER) {
            ++busy;
        } else {
            ++failed;
        }
    };
    for (int i = 0; i < rounds; ++i) {
        PrinterInfo info{};
        const int32_t infoResult = QVGetPrinterInfo(&info);
        outcome(infoResult, narrow(info.serialNumber) == serial &&
                                narrow(info.printerType) == "QV-410" && info.status == status &&
                                info.printedLength == printedLength);
        int32_t now = -1;
        const int32_t statusResult = QVGetPrinterIsOK(&now);
        outcome(statusResult, now == status);
    }
    std::printf("right %d busy %d wrong %d failed %d\n", right, busy, wrong, failed);
    return wrong == 0 && failed == 0 && right > 0 ? 0 : 1;
}
