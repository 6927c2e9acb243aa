// Firmware download: the whole file goes out as one 1F 75 packet in a single send; the printer's
// answer is read afterwards by GetSettingResult (kind 6).
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "QVSettingToolDll.h"
#include "firmware_file.h"
#include "link_state.h"
#include "settings_packets.h"
#include "text/codepage.h"

namespace {

constexpr std::size_t kHeadSize = 6;
// The longest path we look at; anything longer cannot name a file anyway.
constexpr std::size_t kMaxPathUnits = 32768;
// The length field has 32 bits: a larger image cannot be described, so it is refused.
constexpr uint64_t kMaxImageSize = std::numeric_limits<uint32_t>::max();

}  // namespace

namespace {

int32_t downloadFirmware(const QVWCHAR* path) {
    if (path == nullptr) {
        return qv::failWith(QV_ERR_INVALID_PARAM);
    }
    const std::size_t units = qv::text::boundedLength(path, kMaxPathUnits + 1);
    qv::firmware::FirmwareFile file;
    if (units > kMaxPathUnits || !file.open(std::u16string_view(path, units))) {
        return qv::failWith(QV_ERR_FILE_NOT_FIND);
    }

    // Size by seeking, as for any stream: a file that cannot seek has no size and is refused,
    // before any buffer is sized from it.
    const std::optional<uint64_t> fileSize = file.size();
    if (!fileSize || *fileSize > kMaxImageSize) {
        return qv::failWith(QV_ERR_INVALID_FIRMWARE);
    }
    const uint64_t size = *fileSize;
    if (size > std::numeric_limits<std::size_t>::max() - kHeadSize) {
        return 0;  // no room for the packet, as when the allocation fails
    }
    const auto imageSize = static_cast<std::size_t>(size);

    // Not value-initialised: every byte is written below before it is sent.
    std::unique_ptr<uint8_t[]> packet(new (std::nothrow) uint8_t[kHeadSize + imageSize]);
    if (!packet) {
        return 0;
    }
    packet[0] = 0x1F;
    packet[1] = 0x75;
    // The only big-endian number of the protocol.
    packet[2] = static_cast<uint8_t>(size >> 24);
    packet[3] = static_cast<uint8_t>(size >> 16);
    packet[4] = static_cast<uint8_t>(size >> 8);
    packet[5] = static_cast<uint8_t>(size);

    // An empty file is no image either.
    if (imageSize == 0 || file.read(packet.get() + kHeadSize, imageSize) != imageSize) {
        return qv::failWith(QV_ERR_INVALID_FIRMWARE);
    }
    file.close();

    const bool sent = qv::sendPacket({packet.get(), kHeadSize + imageSize});
    packet.reset();
    // Recorded whatever the send gave, so GetSettingResult expects the download's answer.
    qv::linkState().lastKind = qv::settings::kKindFirmware;
    if (sent) {
        qv::holdForAcknowledgement();  // read even by firmware that acknowledges nothing else
    }
    return sent ? 1 : 0;
}

}  // namespace

// A failure to obtain memory (for the path's conversion or the packet) records no code, as the
// packet's own allocation does not.
QV_API int32_t BaseDownloadFirmware(const QVWCHAR* path) {
    return qv::exportBarrierKeepingCode([&] { return downloadFirmware(path); });
}
