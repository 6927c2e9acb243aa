// Any byte stream, in any chunks, into the simulated printer's parser: packets, label jobs,
// firmware images and garbage. It must stay bounded and keep answering.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "device/simulated_printer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    qv::sim::PrinterEngine engine;
    // The first byte sets the chunk size, and whether firmware images are kept (as in process)
    // or only counted (as in the pty server); a zero byte at the end of a chunk ends a write.
    engine.setRecordFirmware((data[0] & 0x80) != 0);
    std::vector<qv::sim::Outgoing> replies;
    const std::size_t chunk = 1 + (data[0] & 0x7F) % 67;
    std::span<const uint8_t> rest(data + 1, size - 1);
    while (!rest.empty()) {
        const std::size_t n = std::min(chunk, rest.size());
        engine.receive(rest.first(n), replies);
        if (rest[n - 1] == 0) {
            engine.endOfWrite();
        }
        rest = rest.subspan(n);
    }
    engine.endOfWrite();
    for (const auto& reply : replies) {
        if (reply.bytes.empty() || reply.bytes.size() > 64) {
            std::abort();
        }
    }
    // Still a printer: a status query after anything at all gets its answer.
    replies.clear();
    const uint8_t status[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    engine.receive(status, replies);
    engine.endOfWrite();
    return 0;
}
