#include "link_state.h"

#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "packets.h"
#include "queries.h"
#include "text/codepage.h"

namespace qv {
namespace {
LinkState gLinkState;
// Exports nest (one calls another): only the outermost ends the exchange.
int gExchangeDepth = 0;
// The printer is kept past the export that ends (or ended), for an acknowledgement still to be
// read.
bool gHeldForAcknowledgement = false;

void releaseDevice() noexcept {
    const int saved = errno;
    try {
        device::current().release();
    } catch (...) {
        // No device could be made, so none holds anything.
    }
    errno = saved;
}
}  // namespace

ExchangeScope::ExchangeScope(Start start) noexcept {
    if (gExchangeDepth++ > 0) {
        return;
    }
    // An answer nobody asked for is not this export's: its claim (and what the driver read
    // ahead) goes first.
    if (gHeldForAcknowledgement && start != Start::readsAcknowledgement) {
        releaseDevice();
    }
    gHeldForAcknowledgement = false;  // kept again only if this export asks for it
}

ExchangeScope::~ExchangeScope() {
    if (--gExchangeDepth > 0) {
        return;
    }
    if (!gHeldForAcknowledgement) {
        releaseDevice();
    }
}

void holdForAcknowledgement() noexcept {
    gHeldForAcknowledgement = true;
}

LinkState& linkState() {
    return gLinkState;
}

void resetLinkStateForTesting() {
    gLinkState = LinkState{};
    if (gHeldForAcknowledgement) {
        releaseDevice();
    }
    gHeldForAcknowledgement = false;
}

namespace {
// The gate's verdict; a failure to evaluate (no memory for the texts) counts as not obtained.
int gateVerdict() {
    try {
        return checkFirmwareVersion();
    } catch (...) {
        setError(QV_ERR_READ_USB_FAIL);
        return 0;
    }
}
}  // namespace

void setError(int32_t code) {
    gLinkState.lastError = code;
}

bool findPrinterPath() {
    try {
        std::optional<std::string> path = device::current().find();
        // A path that does not fit the buffer with its terminator is not taken.
        if (!path || path->empty() || path->size() >= kDevicePathUnits) {
            return false;
        }
        gLinkState.devicePath = std::move(*path);
        return true;
    } catch (...) {
        return false;  // discovery that cannot complete finds nothing
    }
}

bool ensurePrinterPath() {
    if (!gLinkState.hasDevicePath()) {
        findPrinterPath();
    }
    if (!gLinkState.hasDevicePath()) {
        setError(QV_ERR_NOT_FINE_USB_PRINTER);
        return false;
    }
    return true;
}

int checkFirmwareVersion() {
    char16_t version[QV_PRINTER_TEXT_LEN] = {};
    if (!queryText(kSelectorFirmware, version)) {
        return 0;
    }
    const std::optional<std::string> ansi = text::toProcessCodepage(
        std::u16string_view(version, text::boundedLength(version, QV_PRINTER_TEXT_LEN)));
    return ansi ? packet::evaluateFirmwareVersion(*ansi) : 0;
}

bool sendPacket(std::span<const uint8_t> bytes) {
    if (!packet::isVersionQuery(bytes) && gLinkState.versionCheckPending) {
        switch (gateVerdict()) {
            case 1:
                gLinkState.ackMode = kAckRead;
                break;
            case 2:
                setError(QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
                gLinkState.ackMode = kAckNone;
                break;
            default:
                gLinkState.ackMode = kAckUndetermined;
                break;
        }
        gLinkState.versionCheckPending = false;
    }
    if (packet::isFirmwarePacket(bytes)) {
        gLinkState.versionCheckPending = true;
    }
    return writeDevice(bytes);
}

bool writeDevice(std::span<const uint8_t> bytes) {
    // No discovery here: an empty path simply cannot be opened.
    if (!gLinkState.hasDevicePath()) {
        setError(QV_ERR_CANNOT_OPEN_USB_PRINTER);
        return false;
    }
    device::WriteStatus status = device::WriteStatus::writeFailed;
    try {
        status = device::current().write(gLinkState.devicePath, bytes, kWriteWait);
    } catch (...) {
        status = device::WriteStatus::writeFailed;  // the device could not take it
    }
    switch (status) {
        case device::WriteStatus::ok:
            return true;
        case device::WriteStatus::openFailed:
            setError(QV_ERR_CANNOT_OPEN_USB_PRINTER);
            return false;
        case device::WriteStatus::writeFailed:
            break;
    }
    setError(QV_ERR_WRITE_USB_FAIL);
    return false;
}

bool readDevice(std::span<uint8_t> buffer, std::size_t& count) {
    if (!gLinkState.hasDevicePath()) {
        findPrinterPath();
    }
    if (!gLinkState.hasDevicePath()) {
        setError(QV_ERR_NOT_FINE_USB_PRINTER);
        return false;
    }
    std::size_t received = 0;
    device::ReadStatus status = device::ReadStatus::failed;
    try {
        status = device::current().read(gLinkState.devicePath, buffer, kReadWait, received);
    } catch (...) {
        status = device::ReadStatus::failed;
        received = 0;
    }
    count = received;
    switch (status) {
        case device::ReadStatus::ok:
            return true;
        case device::ReadStatus::openFailed:
            setError(QV_ERR_CANNOT_OPEN_USB_PRINTER);
            return false;
        case device::ReadStatus::failed:
            break;
    }
    setError(QV_ERR_READ_USB_FAIL);
    return false;
}

}  // namespace qv

QV_API int32_t BaseGetQVError(void) {
    return qv::linkState().lastError;
}
