// The text test print from any label size and any UTF-16 text, up to and past the record's 1040
// units, through the export to the in-process simulated printer, which must receive one whole
// job that ends with its PRINT line.
#include <algorithm>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "device/simulated_printer.h"
#include "link_state.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    if (std::setlocale(LC_ALL, "zh_CN.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    auto printer = std::make_shared<qv::sim::SimulatedPrinter>();
    qv::device::install(printer);
    qv::resetLinkStateForTesting();
    qv::linkState().versionCheckPending = false;  // the gate is another target's concern

    TextTestRequest request;
    std::memset(&request, 0xFF, sizeof request);  // unterminated unless the input ends the text
    request.width = data[0];
    request.height = data[1];
    const std::size_t bytes = std::min(size - 2, sizeof request.text);
    std::memcpy(reinterpret_cast<unsigned char*>(&request) + offsetof(TextTestRequest, text),
                data + 2, bytes);

    if (QVTextTestPrint(&request) != 1) {
        std::abort();
    }
    const auto received = printer->received();
    // The status query, then the job.
    if (received.size() != 2 || received[1].kind != qv::sim::Received::Kind::job) {
        std::abort();
    }
    const auto& job = received[1].bytes;
    static constexpr char kEnd[] = "PRINT 1,1\r\n";
    const std::size_t endSize = sizeof kEnd - 1;
    if (job.size() < endSize ||
        std::memcmp(job.data() + job.size() - endSize, kEnd, endSize) != 0) {
        std::abort();
    }
    qv::device::install(nullptr);
    return 0;
}
