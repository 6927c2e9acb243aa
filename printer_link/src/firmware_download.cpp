// Firmware download: the whole file goes out as one 1F 75 packet in a single send; the printer's
// answer is read afterwards by GetSettingResult (kind 6).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "QVSettingToolDll.h"
#include "link_state.h"
#include "settings_packets.h"
#include "text/codepage.h"
#include "unique_fd.h"

namespace {

constexpr std::size_t kHeadSize = 6;
// The longest path we look at; anything longer cannot name a file anyway.
constexpr std::size_t kMaxPathUnits = 32768;
// The length field has 32 bits: a larger image cannot be described, so it is refused.
constexpr uint64_t kMaxImageSize = std::numeric_limits<uint32_t>::max();

// File names on Linux are bytes, by convention UTF-8 (as the toolkit writes them). Empty for a
// path that does not convert (an unpaired surrogate), which then cannot be opened.
std::optional<std::string> toUtf8(std::u16string_view path) {
    std::string out;
    out.reserve(path.size() * 3);
    for (std::size_t i = 0; i < path.size(); ++i) {
        char32_t c = path[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= path.size() || path[i + 1] < 0xDC00 || path[i + 1] > 0xDFFF) {
                return std::nullopt;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (path[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return std::nullopt;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Reads until size bytes have arrived, the file ends or a read fails.
std::size_t readFully(int fd, uint8_t* destination, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, destination + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

namespace {

int32_t downloadFirmware(const QVWCHAR* path) {
    if (path == nullptr) {
        return qv::failWith(QV_ERR_INVALID_PARAM);
    }
    const std::size_t units = qv::text::boundedLength(path, kMaxPathUnits + 1);
    const std::optional<std::string> name =
        units > kMaxPathUnits ? std::nullopt : toUtf8(std::u16string_view(path, units));
    // Non-blocking open, so that a FIFO without a writer is refused rather than waited for.
    qv::UniqueFd file(name ? ::open(name->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1);
    if (!file.ok()) {
        return qv::failWith(QV_ERR_FILE_NOT_FIND);
    }
    // A directory opens for reading on Linux, but it is no file to read an image from.
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return qv::failWith(QV_ERR_FILE_NOT_FIND);
    }

    // Size by seeking, as for any stream: a file that cannot seek has no size and is refused,
    // before any buffer is sized from it.
    const off_t end = ::lseek(file.get(), 0, SEEK_END);
    if (end < 0 || static_cast<uint64_t>(end) > kMaxImageSize ||
        ::lseek(file.get(), 0, SEEK_SET) != 0) {
        return qv::failWith(QV_ERR_INVALID_FIRMWARE);
    }
    const auto size = static_cast<uint64_t>(end);
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
    if (imageSize == 0 || readFully(file.get(), packet.get() + kHeadSize, imageSize) != imageSize) {
        return qv::failWith(QV_ERR_INVALID_FIRMWARE);
    }
    file.reset();

    const bool sent = qv::sendPacket({packet.get(), kHeadSize + imageSize});
    packet.reset();
    // Recorded whatever the send gave, so GetSettingResult expects the download's answer.
    qv::linkState().lastKind = qv::settings::kKindFirmware;
    return sent ? 1 : 0;
}

}  // namespace

// A failure to obtain memory (for the path's conversion or the packet) records no code, as the
// packet's own allocation does not.
QV_API int32_t BaseDownloadFirmware(const QVWCHAR* path) {
    return qv::exportBarrierKeepingCode([&] { return downloadFirmware(path); });
}
