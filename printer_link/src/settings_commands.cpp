// Settings and maintenance commands. Each command export only sends its packet and records its
// kind; GetSettingResult reads and judges the acknowledgement afterwards.
#include "QVSettingToolDll.h"
#include "link_state.h"
#include "packets.h"
#include "queries.h"
#include "settings_packets.h"

namespace {

using qv::packet::Command;
namespace settings = qv::settings;

constexpr int kAcknowledgementReads = 3;

// The kind is recorded before the send and stands even when the send fails. A command that went
// out keeps the printer for its acknowledgement, unless this firmware sends none.
int32_t sendCommand(int32_t kind, const Command& packet) {
    qv::linkState().lastKind = kind;
    if (!qv::sendPacket(packet.span())) {
        return 0;
    }
    if (qv::linkState().ackMode != qv::kAckNone) {
        qv::holdForAcknowledgement();
    }
    return 1;
}

}  // namespace

QV_API int32_t QVSetPrintSetting(const PrintSettingParam* param) {
    return qv::exportBarrier(QV_ERR_WRITE_USB_FAIL, [&] {
        if (param == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        return sendCommand(settings::kKindPrintSetting, settings::printSettingPacket(*param));
    });
}

QV_API int32_t QVGetPrinterPrintSettingParam(PrintSettingParam* param) {
    return qv::exportBarrier(QV_ERR_READ_USB_FAIL, [&] {
        if (param == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        // Unlike the queries, a failed request ends the call with the send's own error.
        if (!qv::sendPacket(qv::packet::command(settings::kGroupReadSettings, {0x00}).span())) {
            return 0;
        }
        qv::Reply reply{};
        std::size_t count = reply.size();
        if (!qv::readDevice(reply, count)) {
            return 0;
        }
        if (!settings::decodePrintSettings(reply, *param)) {
            return qv::failWith(QV_ERR_READ_USB_FAIL);
        }
        return 1;
    });
}

QV_API int32_t QVSetUserDefSetting(const uint8_t* buzzer) {
    return qv::exportBarrier(QV_ERR_WRITE_USB_FAIL, [&] {
        if (buzzer == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        return sendCommand(settings::kKindUserSetting,
                           qv::packet::command(settings::kGroupControl, {0x00, *buzzer}));
    });
}

QV_API int32_t QVRestoreFactorySettings(void) {
    return qv::exportBarrier(QV_ERR_WRITE_USB_FAIL, [] {
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        return sendCommand(settings::kKindFactoryRestore,
                           qv::packet::command(settings::kGroupControl, {0x01}));
    });
}

QV_API int32_t QVSetLocationSetting(const uint8_t* location) {
    return qv::exportBarrier(QV_ERR_WRITE_USB_FAIL, [&] {
        // The status comes first, so a null pointer is only noticed after the status query.
        int32_t status = 0;
        if (!qv::queryStatus(status)) {
            return 0;
        }
        if (status != 0) {
            return qv::failWith(QV_ERR_PRINT_STATUS_IS_NOT_READY);
        }
        if (location == nullptr) {
            return qv::failWith(QV_ERR_INVALID_PARAM);
        }
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        return sendCommand(settings::kKindLocation,
                           qv::packet::command(settings::kGroupPosition, {*location}));
    });
}

QV_API int32_t QVSetDumpMode(int32_t mode) {
    return qv::exportBarrier(QV_ERR_WRITE_USB_FAIL, [&] {
        if (!qv::ensurePrinterPath()) {
            return 0;
        }
        const auto value = static_cast<uint8_t>(mode & 0xFF);
        return sendCommand(settings::kKindDumpMode,
                           qv::packet::command(settings::kGroupPosition, {0x02, value}));
    });
}

QV_API int32_t QVLabelLackPaperLearn(void) {
    return qv::exportBarrier(QV_ERR_WRITE_USB_FAIL, [] {
        // No discovery of its own: the packet relies on a path found earlier or by the version
        // gate.
        return sendCommand(settings::kKindLackPaperLearn,
                           qv::packet::command(settings::kGroupLearning, {0x02}));
    });
}

QV_API int32_t GetSettingResult(void) {
    return qv::exportBarrier(
        QV_ERR_READ_USB_FAIL,
        [] {
            qv::Reply reply{};
            const qv::LinkState& state = qv::linkState();
            if (state.ackMode == qv::kAckNone) {
                // This firmware does not acknowledge; after a download its answer is still drained.
                if (state.lastKind == settings::kKindFirmware) {
                    std::size_t count = reply.size();
                    qv::readDevice(reply, count);
                }
                return 1;
            }
            bool received = false;
            for (int attempt = 0; attempt < kAcknowledgementReads && !received; ++attempt) {
                reply.fill(0);
                std::size_t count = reply.size();
                received = qv::readDevice(reply, count);
            }
            if (!received) {
                return qv::failWith(QV_ERR_READ_USB_BEYOND_MAX_TIME);
            }
            return settings::isAcknowledgement(state.lastKind, reply) ? 1 : 0;
        },
        qv::ExchangeScope::Start::readsAcknowledgement);
}
