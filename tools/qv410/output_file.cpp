#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qv410 {

namespace {

std::string failure(int error) {
    return std::strerror(error);
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view text,
                                               bool replace) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) {
        return failure(EISDIR);
    }
    // A dot name: node_exporter's textfile collector reads only *.prom and skips it.
    std::string temporary =
        folder + (slash == std::string::npos ? "/" : "") + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return failure(errno);
    }
    int error = 0;
    if (::fchmod(fd, 0644) != 0 || !writeAll(fd, text) || ::fsync(fd) != 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        if (replace) {
            if (::rename(temporary.c_str(), path.c_str()) != 0) {
                error = errno;
            }
        } else if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(),
                               RENAME_NOREPLACE) != 0) {
            error = errno;
            // A file system without the flag: a hard link fails the same way on an existing name.
            if (error == EINVAL || error == ENOSYS) {
                error = ::link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
                ::unlink(temporary.c_str());
            }
        }
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return failure(error);
    }
    return std::nullopt;
}

}  // namespace qv410
