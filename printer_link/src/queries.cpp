#include "queries.h"

#include <optional>
#include <string>
#include <string_view>

#include "QVSettingToolDll.h"
#include "link_state.h"
#include "packets.h"
#include "text/codepage.h"

namespace qv {
namespace {

// Sends the six-byte query and reads one reply; the send's result is deliberately not
// tested, so a failed write shows as the read's error.
bool exchange(uint8_t group, uint8_t selector, Reply& reply) {
    if (!ensurePrinterPath()) {
        return false;
    }
    const auto packet = packet::command(group, {selector});
    sendPacket(packet.span());
    reply.fill(0);
    std::size_t count = reply.size();
    return readDevice(reply, count);
}

}  // namespace

bool queryNumber(uint8_t group, uint8_t selector, int32_t& out) {
    Reply reply{};
    if (!exchange(group, selector, reply)) {
        return false;
    }
    if (packet::decodeNumber(reply, out) == packet::NumberReply::tooShort) {
        setError(QV_ERR_READ_USB_FAIL);
        return false;
    }
    return true;
}

bool queryText(uint8_t selector, char16_t* out) {
    Reply reply{};
    if (!exchange(kGroupStatus, selector, reply)) {
        return false;
    }
    const auto bytes = packet::decodeText(reply);
    if (!bytes) {
        setError(QV_ERR_READ_USB_FAIL);
        return false;
    }
    // A text that does not convert as a whole is no text: never judge a prefix of it.
    const std::optional<std::u16string> converted = text::fromProcessCodepage(*bytes);
    text::copyTerminated(converted ? std::u16string_view(*converted) : std::u16string_view(), out,
                         QV_PRINTER_TEXT_LEN);
    return true;
}

}  // namespace qv

namespace {

// What a query cannot finish after its exchange is a reply it could not read.
constexpr int32_t kQueryFailure = QV_ERR_READ_USB_FAIL;

int32_t textExport(uint8_t selector, QVWCHAR* out) {
    return qv::exportBarrier(kQueryFailure, [&] {
        if (out == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        return qv::queryText(selector, out) ? 1 : 0;
    });
}

int32_t numberExport(uint8_t group, uint8_t selector, int32_t* out) {
    return qv::exportBarrier(kQueryFailure, [&] {
        if (out == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        return qv::queryNumber(group, selector, *out) ? 1 : 0;
    });
}

}  // namespace

QV_API int32_t QVGetPrinterType(QVWCHAR* type) {
    return textExport(qv::kSelectorType, type);
}

QV_API int32_t QVGetPrinterSerialNum(QVWCHAR* serial) {
    return textExport(qv::kSelectorSerial, serial);
}

QV_API int32_t QVGetPrinterFirmwareVer(QVWCHAR* version) {
    return textExport(qv::kSelectorFirmware, version);
}

QV_API int32_t QVGetPrinterIsOK(int32_t* status) {
    return numberExport(qv::kGroupStatus, qv::kSelectorStatus, status);
}

QV_API int32_t QVGetPrinterPrintedLen(int32_t* length) {
    return numberExport(qv::kGroupStatus, qv::kSelectorPrintedLength, length);
}

QV_API int32_t QVBadPointCheck(int32_t* count) {
    constexpr uint8_t kGroupTest = 0x03;
    constexpr uint8_t kSelectorBadPoint = 0x03;
    return numberExport(kGroupTest, kSelectorBadPoint, count);
}

QV_API int32_t QVGetPrinterInfo(PrinterInfo* info) {
    return qv::exportBarrier(kQueryFailure, [&] {
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        if (info == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        const bool ok =
            qv::queryText(qv::kSelectorType, info->printerType) &&
            qv::queryNumber(qv::kGroupStatus, qv::kSelectorStatus, info->status) &&
            qv::queryNumber(qv::kGroupStatus, qv::kSelectorPrintedLength, info->printedLength) &&
            qv::queryText(qv::kSelectorSerial, info->serialNumber) &&
            QVGetPrinterFirmwareVer(info->firmwareVersion) != 0;
        return ok ? 1 : 0;
    });
}

QV_API int32_t USBCheckConnection(void) {
    return qv::exportBarrier(kQueryFailure, [] {
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        constexpr uint8_t kGroupControl = 0x01;
        const auto packet = qv::packet::command(kGroupControl, {0x02});
        qv::sendPacket(packet.span());
        qv::Reply reply{};
        std::size_t count = reply.size();
        if (!qv::readDevice(reply, count)) {
            return 0;
        }
        // A wrong marker fails without a code of its own.
        return (reply[0] == 0xFF && reply[1] == 0xFF && reply[2] == 0xFF && reply[3] == 0xF0) ? 1
                                                                                              : 0;
    });
}
