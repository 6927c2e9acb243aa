// The printer on Linux: found through sysfs (usbmisc class, the kernel's USB printer driver) and
// reached through its /dev/usb/lpN node.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/device.h"
#include "link_state.h"
#include "unique_fd.h"

namespace qv::device {
namespace {

constexpr const char* kVendorId = "0fe6";
constexpr const char* kProductId = "811e";

using Clock = std::chrono::steady_clock;

// Waits until fd reports one of events or the deadline passes; a signal only shortens one poll.
// Returns the reported events, 0 when the deadline passed, -1 when poll fails.
int waitFor(int fd, short events, Clock::time_point deadline) {
    pollfd pfd{fd, events, 0};
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int rc = ::poll(&pfd, 1, static_cast<int>(std::max<long long>(0, left)));
        if (rc > 0) {
            return pfd.revents;
        }
        if (rc == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

constexpr short kBroken = POLLERR | POLLHUP | POLLNVAL;

// A node that is there but is no device (a file left where the node should be). A missing node
// is not one: that printer is unplugged, and opening it fails as it should.
bool isSomethingElse(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISCHR(info.st_mode);
}

// Opens path for the printer's I/O, or returns -1 (errno set). Only a character device is
// opened: a regular file, a directory, a FIFO, a socket or a block device is refused before the
// open (opening a FIFO alone wakes whoever waits on it), and the descriptor is checked again, as
// the path may have been replaced in between. The open never creates or truncates anything.
int openPrinter(const std::string& path) {
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        return -1;
    }
    if (!S_ISCHR(before.st_mode)) {
        errno = ENODEV;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISCHR(opened.st_mode) || opened.st_rdev != before.st_rdev) {
        ::close(fd);
        errno = ENODEV;
        return -1;
    }
    return fd;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A short sysfs attribute, lower-cased, surrounding white space removed; nothing if unreadable.
std::optional<std::string> readAttribute(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) {
        return std::nullopt;
    }
    char buffer[64];
    ssize_t n;
    do {
        n = ::read(fd.get(), buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return std::nullopt;
    }
    std::string value(buffer, static_cast<std::size_t>(n));
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front()))) {
        value.erase(value.begin());
    }
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value;
}

// The N of the usbmisc entries named lpN, ascending.
std::vector<unsigned long> printerNumbers(const std::string& classDir) {
    std::vector<unsigned long> numbers;
    // Closed on every way out, also when the list cannot grow.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(classDir.c_str()), &::closedir);
    if (!dir) {
        return numbers;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() < 3 || name.size() > 12 || name.compare(0, 2, "lp") != 0) {
            continue;
        }
        const std::string digits = name.substr(2);
        if (!std::all_of(digits.begin(), digits.end(),
                         [](unsigned char c) { return std::isdigit(c) != 0; })) {
            continue;
        }
        numbers.push_back(std::strtoul(digits.c_str(), nullptr, 10));
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

class LinuxDevice : public Device {
  public:
    std::optional<std::string> find() override {
        std::vector<std::string> all = discover(1);
        return all.empty() ? std::nullopt : std::optional<std::string>(std::move(all.front()));
    }

    std::vector<std::string> findAll() override { return discover(kMaxPrinters); }

    bool canOpen(const std::string& path) override {
        const UniqueFd fd(openPrinter(path));
        return fd.ok();
    }

    // Non-blocking, so that a printer that stops taking data cannot hold the caller for ever: the
    // write fails once no byte has been taken for wait, and any progress starts the wait afresh
    // (a large image on a slow link still goes through).
    WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                      std::chrono::milliseconds wait) override {
        const UniqueFd fd(openPrinter(path));
        if (!fd.ok()) {
            return WriteStatus::openFailed;
        }
        std::size_t done = 0;
        auto deadline = Clock::now() + wait;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                deadline = Clock::now() + wait;
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                const int events = waitFor(fd.get(), POLLOUT, deadline);
                if (events == 0) {
                    errno = ETIMEDOUT;  // the caller may name the reason
                }
                if (events <= 0 || ((events & POLLOUT) == 0 && (events & kBroken) != 0)) {
                    return WriteStatus::writeFailed;
                }
                continue;
            }
            return WriteStatus::writeFailed;
        }
        return WriteStatus::ok;
    }

    // Input reported by poll may be gone by the time it is read (another reader took it): the
    // read then goes back to waiting for the rest of its time. A read of 0 bytes completes it.
    ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                    std::chrono::milliseconds wait, std::size_t& received) override {
        received = 0;
        const UniqueFd fd(openPrinter(path));
        if (!fd.ok()) {
            return ReadStatus::openFailed;
        }
        const auto deadline = Clock::now() + wait;
        for (;;) {
            const int events = waitFor(fd.get(), POLLIN, deadline);
            if (events <= 0) {
                return ReadStatus::failed;
            }
            const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
            if (n >= 0) {
                received = static_cast<std::size_t>(n);
                return ReadStatus::ok;
            }
            if (errno == EINTR) {
                continue;
            }
            // Nothing there after all: wait again, unless the device is gone (poll would then
            // report at once, for ever).
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && (events & kBroken) == 0) {
                continue;
            }
            return ReadStatus::failed;
        }
    }

  private:
    // More printers than this on one machine is not a label station; the list stays bounded.
    static constexpr std::size_t kMaxPrinters = 64;

    // The device paths of up to limit printers, by ascending lpN. A node that is not a
    // character device (a stale file left where the node should be) is passed by.
    static std::vector<std::string> discover(std::size_t limit) {
        std::vector<std::string> found;
        const std::string root = environment("QV410_ROOT");
        const std::string classDir = root + "/sys/class/usbmisc";
        for (const unsigned long n : printerNumbers(classDir)) {
            if (found.size() >= limit) {
                break;
            }
            const std::string name = "lp" + std::to_string(n);
            // usbmisc/lpN/device is the USB interface; its parent is the USB device.
            std::string usbDevice = classDir;
            usbDevice += '/';
            usbDevice += name;
            usbDevice += "/device/..";
            const auto vendor = readAttribute(usbDevice + "/idVendor");
            const auto product = readAttribute(usbDevice + "/idProduct");
            if (!vendor || !product || *vendor != kVendorId || *product != kProductId) {
                continue;
            }
            std::string path = root;
            path += "/dev/usb/";
            path += name;
            // A path the link state cannot hold with its terminator is skipped.
            if (path.size() >= kDevicePathUnits || isSomethingElse(path)) {
                continue;
            }
            found.push_back(std::move(path));
        }
        return found;
    }
};

}  // namespace

std::shared_ptr<Device> makeLinuxDevice() {
    return std::make_shared<LinuxDevice>();
}

std::shared_ptr<Device> makePlatformDevice() {
    return makeLinuxDevice();
}

}  // namespace qv::device
