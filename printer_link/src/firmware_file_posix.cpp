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
#include "text/codepage.h"

namespace qv::firmware {

struct FirmwareFile::Impl {
    int fd = -1;
};

FirmwareFile::FirmwareFile() : impl_(std::make_unique<Impl>()) {}

FirmwareFile::~FirmwareFile() {
    close();
}

bool FirmwareFile::open(std::u16string_view path) {
    close();
    // File names on Linux are bytes, by convention UTF-8 (as the toolkit writes them); a path with
    // an unpaired surrogate converts to nothing and so cannot be opened.
    const std::optional<std::string> name = text::toUtf8(path);
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
