// The printer on Linux: found through sysfs (usbmisc class, the kernel's USB printer driver) and
// reached through its /dev/usb/lpN node.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "device/device.h"
#include "link_state.h"

namespace qv::device {
namespace {

constexpr const char* kVendorId = "0fe6";
constexpr const char* kProductId = "811e";

// Closes a descriptor on every way out.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A short sysfs attribute, lower-cased, surrounding white space removed; nothing if unreadable.
std::optional<std::string> readAttribute(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
    DIR* dir = ::opendir(classDir.c_str());
    if (dir == nullptr) {
        return numbers;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 3 || name.size() > 12 || name.compare(0, 2, "lp") != 0) {
            continue;
        }
        const std::string digits = name.substr(2);
        if (!std::all_of(digits.begin(), digits.end(),
                         [](unsigned char c) { return std::isdigit(c) != 0; })) {
            continue;
        }
        numbers.push_back(std::stoul(digits));
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

class LinuxDevice : public Device {
  public:
    std::optional<std::string> find() override {
        const std::string fixed = environment("QV410_DEVICE");
        if (!fixed.empty()) {
            return fixed;
        }
        const std::string root = environment("QV410_ROOT");
        const std::string classDir = root + "/sys/class/usbmisc";
        for (const unsigned long n : printerNumbers(classDir)) {
            const std::string name = "lp" + std::to_string(n);
            // usbmisc/lpN/device is the USB interface; its parent is the USB device.
            const std::string usbDevice =
                classDir + "/" + name +
                "/device/..";  // NOLINT(performance-inefficient-string-concatenation)
            const auto vendor = readAttribute(usbDevice + "/idVendor");
            const auto product = readAttribute(usbDevice + "/idProduct");
            if (!vendor || !product || *vendor != kVendorId || *product != kProductId) {
                continue;
            }
            std::string path = root;
            path += "/dev/usb/";
            path += name;
            // A path the link state cannot hold with its terminator is skipped.
            if (path.size() >= kDevicePathUnits) {
                continue;
            }
            return path;
        }
        return std::nullopt;
    }

    WriteStatus write(const std::string& path, std::span<const uint8_t> bytes) override {
        Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
        if (!fd.ok()) {
            return WriteStatus::openFailed;
        }
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return WriteStatus::writeFailed;
            }
            done += static_cast<std::size_t>(n);
        }
        return WriteStatus::ok;
    }

    ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                    std::chrono::milliseconds wait, std::size_t& received) override {
        received = 0;
        Fd fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (!fd.ok()) {
            return ReadStatus::openFailed;
        }
        const auto deadline = std::chrono::steady_clock::now() + wait;
        pollfd pfd{fd.get(), POLLIN, 0};
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const int timeout = static_cast<int>(std::max<long long>(0, left.count()));
            const int rc = ::poll(&pfd, 1, timeout);
            if (rc > 0) {
                break;
            }
            if (rc == 0 || errno != EINTR) {
                return ReadStatus::failed;
            }
        }
        ssize_t n;
        do {
            n = ::read(fd.get(), buffer.data(), buffer.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return ReadStatus::failed;
        }
        received = static_cast<std::size_t>(n);
        return ReadStatus::ok;
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
