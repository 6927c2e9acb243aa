// The printer on Linux: found through sysfs (usbmisc class, the kernel's USB printer driver) and
// reached through its /dev/usb/lpN node, one descriptor for each export's whole exchange.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/device.h"
#include "link_state.h"
#include "printer_model/protocol.h"
#include "unique_fd.h"

namespace qv::device {
namespace {

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

// The node this program last opened and its device number. A path that was that character
// device at its last open is opened at once and checked on the descriptor alone: a stat first
// costs as much again on every exchange.
struct KnownNode {
    std::string path;
    dev_t rdev = 0;
};

constexpr int kOpenFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// Opens path and keeps the descriptor only if it is the character device rdev; -1 otherwise
// (errno ENODEV when it is something else).
int openAs(const std::string& path, dev_t rdev) {
    UniqueFd fd(::open(path.c_str(), kOpenFlags));
    struct stat opened {};
    if (fd.ok() &&
        (::fstat(fd.get(), &opened) != 0 || !S_ISCHR(opened.st_mode) || opened.st_rdev != rdev)) {
        fd.reset();
        errno = ENODEV;
    }
    return fd.release();
}

// Opens path for the printer's I/O, or returns -1 (errno set). Only a character device is
// opened: a regular file, a directory, a FIFO, a socket or a block device is refused before the
// open (opening a FIFO alone wakes whoever waits on it), and the descriptor is checked again, as
// the path may have been replaced in between. The open never creates or truncates anything.
int openPrinter(const std::string& path, KnownNode& known) {
    if (!known.path.empty() && known.path == path) {
        const int fd = openAs(path, known.rdev);
        if (fd >= 0 || errno != ENODEV) {
            return fd;
        }
        // Replaced since: looked at afresh below.
    }
    known = {};
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        return -1;
    }
    if (!S_ISCHR(before.st_mode)) {
        errno = ENODEV;
        return -1;
    }
    UniqueFd fd(openAs(path, before.st_rdev));
    if (!fd.ok()) {
        return -1;
    }
    known.path = path;  // may throw: the descriptor is closed then
    known.rdev = before.st_rdev;
    return fd.release();
}

// Wakes a program that waits for the printer when another program lets it go: the kernel
// reports every close of the node (and its removal), so the wait is for an event, not a timer.
class CloseWatch {
  public:
    explicit CloseWatch(const std::string& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_.ok() && ::inotify_add_watch(
                            fd_.get(), path.c_str(),
                            IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_DELETE_SELF | IN_ATTRIB) < 0) {
            fd_.reset();
        }
    }

    // False once the deadline has passed with no close seen.
    bool wait(Clock::time_point deadline) {
        if (Clock::now() >= deadline) {
            return false;
        }
        if (!fd_.ok()) {
            // No notification to be had (out of watches): look again a little later instead.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            ::poll(nullptr, 0, static_cast<int>(std::min<long long>(left.count(), 50)));
            return true;
        }
        const int events = waitFor(fd_.get(), POLLIN, deadline);
        if (events < 0) {
            fd_.reset();  // the notification broke: the timed look from now on
            return true;
        }
        if (events == 0) {
            return false;
        }
        alignas(inotify_event) char buffer[4096];
        while (::read(fd_.get(), buffer, sizeof buffer) > 0) {
        }
        return true;
    }

  private:
    UniqueFd fd_;
};

// Opens path and takes the printer for this program alone: the driver itself refuses a second
// opener (EBUSY), and a node that does not (a pty, another driver) is shared through an advisory
// lock held as long as the descriptor. While another program has it, waits up to busyWait for it
// to let go, then fails with errno EBUSY. Returns the descriptor or -1 (errno set).
int openExclusive(const std::string& path, std::chrono::milliseconds busyWait, KnownNode& known) {
    const auto deadline = Clock::now() + busyWait;
    // Watched only once the printer is found in use: every try after the watch is in place
    // comes before its wait, so no close in between is missed.
    std::optional<CloseWatch> watch;
    UniqueFd fd(-1);
    for (;;) {
        if (!fd.ok()) {
            fd.reset(openPrinter(path, known));
            if (!fd.ok() && errno != EBUSY) {
                return -1;
            }
        }
        if (fd.ok()) {
            if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
                return fd.release();
            }
            // No locks on this node: the driver's own rule is all there is.
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return fd.release();
            }
        }
        if (!watch) {
            watch.emplace(path);
            continue;
        }
        if (!watch->wait(deadline)) {
            errno = EBUSY;
            return -1;
        }
    }
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
        const UniqueFd fd(openExclusive(path, kBusyWait, known_));
        return fd.ok();
    }

    // Non-blocking, so that a printer that stops taking data cannot hold the caller for ever: the
    // write fails once no byte has been taken for wait, and any progress starts the wait afresh
    // (a large image on a slow link still goes through). The driver takes a transfer at once and
    // sends it later; the write is done only once the driver reports it sent, since letting the
    // descriptor go with a transfer in flight cuts it off.
    WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                      std::chrono::milliseconds wait) override {
        const int fd = take(path);
        if (fd < 0) {
            return WriteStatus::openFailed;
        }
        std::size_t done = 0;
        auto deadline = Clock::now() + wait;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                deadline = Clock::now() + wait;
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!writable(fd, deadline)) {
                    return WriteStatus::writeFailed;
                }
                continue;
            }
            return WriteStatus::writeFailed;
        }
        return writable(fd, deadline) ? WriteStatus::ok : WriteStatus::writeFailed;
    }

    // Input reported by poll may be gone by the time it is read (another reader took it): the
    // read then goes back to waiting for the rest of its time. A read of 0 bytes completes it.
    // A printer that goes away ends the read at once: poll then reports it for ever.
    ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                    std::chrono::milliseconds wait, std::size_t& received) override {
        received = 0;
        const int fd = take(path);
        if (fd < 0) {
            return ReadStatus::openFailed;
        }
        const auto deadline = Clock::now() + wait;
        for (;;) {
            const int events = waitFor(fd, POLLIN, deadline);
            if (events <= 0) {
                return ReadStatus::failed;
            }
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n == 0 && (events & kBroken) != 0) {
                return ReadStatus::failed;  // the end of a line whose other end is gone
            }
            if (n >= 0) {
                received = static_cast<std::size_t>(n);
                return ReadStatus::ok;
            }
            if (errno == EINTR) {
                continue;
            }
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && (events & kBroken) == 0) {
                continue;
            }
            return ReadStatus::failed;
        }
    }

    void release() noexcept override {
        held_.reset();
        heldPath_.clear();
        refusedBusy_ = false;
    }

  private:
    // More printers than this on one machine is not a label station; the list stays bounded.
    static constexpr std::size_t kMaxPrinters = 64;

    // The descriptor of this exchange: the one already held for path, else a new one (what the
    // driver read ahead on a descriptor is lost when it closes, so an exchange keeps one).
    int take(const std::string& path) {
        if (held_.ok() && heldPath_ == path) {
            return held_.get();
        }
        if (refusedBusy_ && heldPath_ == path) {
            errno = EBUSY;  // the exchange has waited once already: its later steps fail at once
            return -1;
        }
        release();
        const int fd = openExclusive(path, kBusyWait, known_);
        if (fd >= 0) {
            held_.reset(fd);
        }
        refusedBusy_ = fd < 0 && errno == EBUSY;
        if (fd >= 0 || refusedBusy_) {
            heldPath_ = path;
        }
        return fd;
    }

    // Waits until the driver takes more (or has sent everything it took). False, errno set, when
    // the deadline passes first or the printer has gone.
    static bool writable(int fd, Clock::time_point deadline) {
        const int events = waitFor(fd, POLLOUT, deadline);
        if (events == 0) {
            errno = ETIMEDOUT;  // the caller may name the reason
            return false;
        }
        if (events < 0) {
            return false;
        }
        if ((events & kBroken) != 0) {
            errno = ENODEV;
            return false;
        }
        return (events & POLLOUT) != 0;
    }

    UniqueFd held_{-1};
    std::string heldPath_;
    KnownNode known_;
    bool refusedBusy_ = false;

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
            if (!vendor || !product || *vendor != model::kUsbVendorIdText ||
                *product != model::kUsbProductIdText) {
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
