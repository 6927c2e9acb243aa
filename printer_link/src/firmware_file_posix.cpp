// The firmware file on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "firmware_file.h"

namespace qv::firmware {
namespace {

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

}  // namespace

struct FirmwareFile::Impl {
    int fd = -1;
};

FirmwareFile::FirmwareFile() : impl_(std::make_unique<Impl>()) {}

FirmwareFile::~FirmwareFile() {
    close();
}

bool FirmwareFile::open(std::u16string_view path) {
    close();
    const std::optional<std::string> name = toUtf8(path);
    // Non-blocking open, so that a FIFO without a writer is refused rather than waited for.
    impl_->fd = name ? ::open(name->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
    // A directory opens for reading on Linux, but it is no file to read an image from.
    struct stat info {};
    if (impl_->fd >= 0 && (::fstat(impl_->fd, &info) != 0 || S_ISDIR(info.st_mode))) {
        close();
    }
    return impl_->fd >= 0;
}

std::optional<uint64_t> FirmwareFile::size() {
    const off_t end = ::lseek(impl_->fd, 0, SEEK_END);
    if (end < 0 || ::lseek(impl_->fd, 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end);
}

void FirmwareFile::close() {
    if (impl_->fd >= 0) {
        ::close(impl_->fd);
        impl_->fd = -1;
    }
}

std::size_t FirmwareFile::read(uint8_t* destination, std::size_t size) {
    // Reads until size bytes have arrived, the file ends or a read fails.
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(impl_->fd, destination + done, size - done);
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

}  // namespace qv::firmware
