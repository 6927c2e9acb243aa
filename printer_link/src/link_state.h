// The library's process-wide link state and the transport operations every export builds on.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qv {

inline constexpr std::size_t kReplySize = 64;
inline constexpr std::size_t kDevicePathUnits = 260;
inline constexpr std::chrono::milliseconds kReadWait{1000};
// A write fails when the printer has taken no byte for this long.
inline constexpr std::chrono::milliseconds kWriteWait{5000};

// Acknowledgement modes decided by the firmware-version gate.
inline constexpr int32_t kAckUndetermined = 0;
inline constexpr int32_t kAckNone = 1;
inline constexpr int32_t kAckRead = 2;

using Reply = std::array<uint8_t, kReplySize>;

struct LinkState {
    int32_t lastError = 0;
    int32_t lastKind = 0;
    bool versionCheckPending = true;
    int32_t ackMode = kAckUndetermined;
    // Empty means no printer found yet; shorter than kDevicePathUnits; never replaced once set.
    // Held as a string so that every write and read passes it on without a copy.
    std::string devicePath;

    bool hasDevicePath() const { return !devicePath.empty(); }
    const std::string& devicePathString() const { return devicePath; }
};

LinkState& linkState();

// Puts the link state back to its load-time values. Production never calls it; tests do, so that
// each starts as if the library had just been loaded.
void resetLinkStateForTesting();

void setError(int32_t code);
// The exports' failure result: records the code and returns 0.
inline int32_t failWith(int32_t code) {
    setError(code);
    return 0;
}

// One export's exchange with the printer: everything it writes and reads goes through the one
// claim on the printer the device takes at its first write or read, and that claim ends with
// the outermost export (an export may call another). The exception: a command whose
// acknowledgement is still to be read keeps the printer for GetSettingResult, so that no other
// program's exchange comes between the command and its answer; any other export lets it go
// first. errno is kept across the release for the caller's messages.
class ExchangeScope {
  public:
    enum class Start { fresh, readsAcknowledgement };
    explicit ExchangeScope(Start start = Start::fresh) noexcept;
    ~ExchangeScope();
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;
};

// Called by a command export whose packet went out and whose answer GetSettingResult reads: the
// printer stays this program's until then.
void holdForAcknowledgement() noexcept;

// Every export runs its body through a barrier: nothing thrown inside (a failed allocation
// above all) reaches the caller, whose process would end in std::terminate. The code is the
// export's own for a failure at that point; I/O has already recorded the transport's code and
// throws nothing further. The barrier is also the export's exchange scope.
template <typename Body>
int32_t exportBarrier(int32_t code, Body&& body,
                      ExchangeScope::Start start = ExchangeScope::Start::fresh) noexcept {
    const ExchangeScope exchange(start);
    try {
        return body();
    } catch (...) {
        return failWith(code);
    }
}
// The same, for a failure that records no code of its own.
template <typename Body>
int32_t exportBarrierKeepingCode(Body&& body) noexcept {
    const ExchangeScope exchange;
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

// Runs discovery into the device path when it is empty; error 50 when still empty.
bool ensurePrinterPath();
// Discovery into the device path; sets no error code.
bool findPrinterPath();
// Version gate, pending flag, then WriteDevice.
bool sendPacket(std::span<const uint8_t> bytes);
// Writes everything through the exchange's descriptor. Errors 51, 52.
bool writeDevice(std::span<const uint8_t> bytes);
// One reply of at most buffer.size() bytes within kReadWait. Errors 50, 51, 53.
bool readDevice(std::span<uint8_t> buffer, std::size_t& count);
// 0: version not obtained, 1: firmware acknowledges, 2: it does not.
int checkFirmwareVersion();

}  // namespace qv
