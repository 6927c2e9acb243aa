// The device seam: the operations the link state needs from the platform. A write or read takes
// the printer for this program (waiting a bounded time while another program has it) and keeps
// it until release(), which the link state calls when an export's exchange is over.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace qv::device {

enum class WriteStatus { ok, openFailed, writeFailed };
enum class ReadStatus { ok, openFailed, failed };

// Opening the printer's path must give a character device (Linux) or a handle that is not a
// disk file (Windows): anything else is refused as an open failure before a byte is written
// or read, and nothing is created or truncated.

class Device {
  public:
    virtual ~Device() = default;
    // The printer's device path, or nothing when no printer is present.
    virtual std::optional<std::string> find() = 0;
    // The device path of every printer present, in the order find() considers them; find()'s
    // answer is the first. Nothing when no printer is present.
    virtual std::vector<std::string> findAll() {
        std::optional<std::string> first = find();
        return first ? std::vector<std::string>{std::move(*first)} : std::vector<std::string>{};
    }
    // Whether path opens as a printer would for a write or a read; nothing is sent. A device
    // without a check of its own takes only the paths it lists.
    virtual bool canOpen(const std::string& path) {
        const std::vector<std::string> all = findAll();
        return std::find(all.begin(), all.end(), path) != all.end();
    }
    // Writes every byte; writeFailed when the write fails, comes out short, or no byte has been
    // taken for wait (each byte taken starts the wait afresh).
    virtual WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                              std::chrono::milliseconds wait) = 0;
    // One read of at most buffer.size() bytes, waiting up to wait for data. ok with
    // received == 0 is a completed empty read; failed means nothing arrived or the read failed.
    virtual ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                            std::chrono::milliseconds wait, std::size_t& received) = 0;
    // Ends the exchange: whatever write() and read() hold (a descriptor, the claim on the
    // printer) is let go, so that other programs may have the printer. Never throws.
    virtual void release() noexcept {}
};

// How long a write or read waits for a printer that another program is using before it fails
// as an open failure (errno EBUSY on Linux, ERROR_BUSY on Windows).
inline constexpr std::chrono::milliseconds kBusyWait{3000};

// The device in use: the one installed, else chosen from QV410_DEVICE at first use
// ("simulator": the built-in simulated printer; another value: that device path, taken without
// discovery but checked like any other; unset: the platform's discovery). The only reader of
// QV410_DEVICE. Like the link state it serves, the choice belongs to the one thread that
// calls the exports; it is not locked. Throws only when the device cannot be created.
Device& current();

// Replaces the device in use (tests, between calls); nullptr returns to the environment's choice.
void install(std::shared_ptr<Device> device);

// The real printer on this platform (linux_device.cpp or windows_device.cpp).
std::shared_ptr<Device> makePlatformDevice();
std::shared_ptr<Device> makeLinuxDevice();
}  // namespace qv::device
