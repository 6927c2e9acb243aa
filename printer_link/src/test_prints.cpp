// The two test prints: a text label composed here, and the head-test job carried by the library.
// Both refuse to print unless the printer reports ready.
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "QVSettingToolDll.h"
#include "head_test_job.h"
#include "link_state.h"
#include "packets.h"
#include "queries.h"
#include "settings_packets.h"
#include "text/codepage.h"
#include "text_test_job.h"

namespace qv::selftest {
namespace {

Pause gPause = nullptr;
std::optional<std::span<const uint8_t>> gJob;

void pause(std::chrono::milliseconds duration) {
    if (gPause != nullptr) {
        gPause(duration);
        return;
    }
    std::this_thread::sleep_for(duration);
}

std::span<const uint8_t> job() {
    return gJob ? *gJob : headTestJob();
}

}  // namespace

Pause setPauseForTesting(Pause replacement) {
    const Pause previous = gPause;
    gPause = replacement;
    return previous;
}

void setJobForTesting(std::optional<std::span<const uint8_t>> replacement) {
    gJob = replacement;
}

}  // namespace qv::selftest

namespace {

// Status query first: when the printer is not ready nothing else reaches it.
bool printerReady() {
    int32_t status = 0;
    if (!qv::queryStatus(status)) {
        return false;
    }
    if (status != 0) {
        qv::setError(QV_ERR_PRINT_STATUS_IS_NOT_READY);
        return false;
    }
    return true;
}

}  // namespace

// A job that cannot be put together cannot be written either.
constexpr int32_t kPrintFailure = QV_ERR_WRITE_USB_FAIL;

QV_API int32_t QVTextTestPrint(const TextTestRequest* request) {
    return qv::exportBarrier(kPrintFailure, [&] {
        if (!printerReady()) {
            return 0;
        }
        if (request == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        // The record is packed: its text may sit at an odd address, so it is copied out rather
        // than read through a misaligned pointer. Never past the record, even when the caller
        // left the text unterminated.
        std::array<char16_t, QV_TEXT_TEST_LEN> units{};
        std::memcpy(
            units.data(),
            reinterpret_cast<const unsigned char*>(request) + offsetof(TextTestRequest, text),
            sizeof units);
        const std::u16string_view text(units.data(),
                                       qv::text::boundedLength(units.data(), units.size()));
        const std::optional<std::string> converted = qv::text::toProcessCodepage(text);
        if (!converted) {
            return qv::failWith(kPrintFailure);
        }
        const std::string job =
            qv::texttest::composeJob(request->width, request->height, *converted);
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(job.data()),
                                             job.size());
        return qv::sendPacket(bytes) ? 1 : 0;
    });
}

QV_API int32_t QVSelfTestPrint(void) {
    return qv::exportBarrier(kPrintFailure, [] {
        if (!printerReady()) {
            return 0;
        }
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        const std::span<const uint8_t> job = qv::selftest::job();
        // Nothing to print is refused quietly, before the command goes out.
        if (job.empty()) {
            return 0;
        }
        if (!qv::sendPacket(qv::packet::command(qv::settings::kGroupPosition, {0x01}).span())) {
            return 0;
        }
        // The printer starts its self test on the command and takes the job only after a pause.
        qv::selftest::pause(qv::selftest::kJobPause);
        return qv::sendPacket(job) ? 1 : 0;
    });
}
