// Any reply text as the firmware version, through the gate's whole evaluation: the code-page
// conversion, back again, and the three examined characters.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "packets.h"
#include "text/codepage.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A multi-byte code set exercises the conversions most; fall back to C when absent.
    if (std::setlocale(LC_ALL, "zh_CN.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const int direct = qv::packet::evaluateFirmwareVersion(raw);
    if (direct < 0 || direct > 2 || (raw.size() < 15 && direct != 0)) {
        std::abort();
    }
    const auto wide = qv::text::fromProcessCodepage(raw);
    if (!wide) {
        return 0;
    }
    const auto back = qv::text::toProcessCodepage(*wide);
    if (back) {
        const int judged = qv::packet::evaluateFirmwareVersion(*back);
        if (judged < 0 || judged > 2) {
            std::abort();
        }
    }
    return 0;
}
