// Any file as a firmware image: the download sends exactly one packet of 6 + N bytes, 1F 75 and
// N big-endian, then the file unchanged; an empty file sends nothing.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "device/simulated_printer.h"
#include "link_state.h"
#include "text/codepage.h"

namespace {
std::string gPath;
std::u16string gWidePath;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    char pattern[] = "/tmp/qv-fuzz-firmware-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) {
        std::abort();
    }
    ::close(fd);
    gPath = pattern;
    gWidePath = qv::text::fromUtf8(gPath);
    std::atexit([] { ::unlink(gPath.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const int fd = ::open(gPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    ::close(fd);

    auto printer = std::make_shared<qv::sim::SimulatedPrinter>();
    qv::device::install(printer);
    qv::resetLinkStateForTesting();
    qv::linkState().versionCheckPending = false;
    qv::linkState().devicePath = qv::sim::SimulatedPrinter::kPath;

    const int32_t result = BaseDownloadFirmware(gWidePath.c_str());
    const auto received = printer->received();
    if (size == 0) {
        if (result != 0 || BaseGetQVError() != QV_ERR_INVALID_FIRMWARE || !received.empty()) {
            std::abort();
        }
    } else {
        if (result != 1 || received.size() != 1 ||
            received[0].kind != qv::sim::Received::Kind::firmware) {
            std::abort();
        }
        const auto& packet = received[0].bytes;
        const uint8_t head[] = {0x1F,
                                0x75,
                                static_cast<uint8_t>(size >> 24),
                                static_cast<uint8_t>(size >> 16),
                                static_cast<uint8_t>(size >> 8),
                                static_cast<uint8_t>(size)};
        if (packet.size() != size + 6 || std::memcmp(packet.data(), head, 6) != 0 ||
            std::memcmp(packet.data() + 6, data, size) != 0) {
            std::abort();
        }
    }
    qv::device::install(nullptr);
    return 0;
}
