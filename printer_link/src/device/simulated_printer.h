// A simulated QV-410: the printer's side of the protocol, answered from its own state, so that
// the library and the program run and are tested with no hardware.
//
// PrinterEngine is transport-free: it takes the bytes the printer receives (in any chunks) and
// produces the replies it would send. SimulatedPrinter puts it behind the device seam in process;
// the pty tool serves the same engine on a pseudo-terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"

namespace qv::sim {

using Bytes = std::vector<uint8_t>;

// The version texts of two firmware generations: the first acknowledges settings commands, the
// second does not (its digits read 104).
inline constexpr const char* kAckingFirmware = "V1.05 2025-11-10";
inline constexpr const char* kSilentFirmware = "V1.04 2024-03-02";

struct PrinterState {
    std::string type = "QV-410";
    std::string serialNumber = "QV410-2511-000417";
    std::string firmwareVersion = kAckingFirmware;
    bool acknowledgesSettings = true;  // false: the firmware never answers settings commands
    int32_t status = 0;
    int32_t printedLength = 12345;  // hundredths of a metre
    int32_t badPoints = 0;
    PrintSettingParam settings{};  // printToStop held as a true signed value
    uint8_t buzzer = 1;
    uint8_t dumpMode = 0;
    int labelLearnings = 0;
    int lackPaperLearnings = 0;
    int selfTests = 0;
    int factoryRestores = 0;
};

PrintSettingParam factorySettings();

struct Received {
    enum class Kind { command, job, firmware, garbage };
    Kind kind = Kind::command;
    Bytes bytes;  // for firmware, the whole packet only when firmware recording is on
    std::size_t size = 0;
};

// How the printer misbehaves. Every field defaults to a well-behaved printer.
struct Faults {
    bool noReply = false;                    // reads nothing back, ever
    std::optional<uint8_t> replyLengthByte;  // forces byte 4 of every reply (0 or 1: too short)
    bool wrongMarker = false;                // connection check answers with another marker
    bool noAck = false;     // settings commands and firmware get no acknowledgement
    bool wrongAck = false;  // acknowledgements end 01 00 (1F 75 01 01 00 for firmware)
    int ackOnRead = 1;      // an acknowledgement arrives only at the Nth read (2 or 3)
    std::chrono::milliseconds replyDelay{0};  // late replies: delay beyond the wait misses it
    bool shortWrite = false;                  // writes stop one byte short
    bool absent = false;                      // discovery finds nothing
    bool unopenable = false;                  // present, but every open fails (also: unplugged)
    bool storesOtherSettings = false;  // acknowledges a settings write, keeps another print type
};

// One reply the printer sends; acknowledgements are marked so that a late-acknowledging printer
// can be simulated.
struct Outgoing {
    Bytes bytes;
    bool acknowledgement = false;
};

class PrinterEngine {
  public:
    PrinterEngine();

    // Feeds bytes as the printer receives them; replies are appended in the order sent.
    void receive(std::span<const uint8_t> bytes, std::vector<Outgoing>& replies);
    // A write has ended: whatever label job or packet is still open is taken as complete (in
    // process every write carries whole packets and jobs).
    void endOfWrite();

    // What a receive() left unfinished: nothing, a framed packet (1F ...) or a label job.
    enum class Open { nothing, packet, job };
    Open open() const {
        return mode_ == Mode::job ? Open::job : mode_ == Mode::idle ? Open::nothing : Open::packet;
    }

    PrinterState& state() { return state_; }
    const PrinterState& state() const { return state_; }
    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }
    const std::vector<Received>& received() const { return received_; }
    void clearReceived() { received_.clear(); }

    // The version text reported after the next firmware download, and whether that firmware
    // acknowledges settings commands.
    void setVersionAfterDownload(std::string version, bool acknowledges = true) {
        versionAfterDownload_ = std::move(version);
        acknowledgesAfterDownload_ = acknowledges;
    }
    // A firmware generation that does (kAckingFirmware) or does not (kSilentFirmware) answer.
    void runFirmware(std::string version, bool acknowledges) {
        state_.firmwareVersion = std::move(version);
        state_.acknowledgesSettings = acknowledges;
    }
    // Keeps the bytes of firmware packets in received() (off in the pty server: images are big).
    void setRecordFirmware(bool on) { recordFirmware_ = on; }
    std::size_t firmwareBytesReceived() const { return firmwareBytes_; }

  private:
    enum class Mode { idle, header, firmware, job };
    void dispatchCommand(const Bytes& packet, std::vector<Outgoing>& replies);
    void finishJob();
    void finishFirmware(std::vector<Outgoing>& replies);
    bool scanJob();
    void reply(Bytes bytes, std::vector<Outgoing>& replies, bool isAck = false);
    void ack(uint8_t group, std::vector<Outgoing>& replies);
    void log(Received entry);

    PrinterState state_;
    Faults faults_;
    std::vector<Received> received_;
    std::optional<std::string> versionAfterDownload_;
    bool acknowledgesAfterDownload_ = true;
    bool recordFirmware_ = true;
    std::size_t firmwareBytes_ = 0;

    Mode mode_ = Mode::idle;
    Bytes pending_;  // the packet or job being received
    uint64_t firmwareRemaining_ = 0;
    std::size_t firmwareSize_ = 0;
    std::size_t jobScanned_ = 0;  // job bytes already scanned for lines
    std::size_t rasterRemaining_ = 0;
};

// The simulated printer behind the device seam. Thread-safe, so a test may reconfigure it while
// another thread talks to it.
class SimulatedPrinter : public device::Device {
  public:
    static constexpr const char* kPath = "simulator:QV-410";

    std::optional<std::string> find() override;
    bool canOpen(const std::string& path) override;
    device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                              std::chrono::milliseconds wait) override;
    device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                            std::chrono::milliseconds wait, std::size_t& received) override;

    // Runs f with the engine under the printer's lock.
    template <typename F>
    decltype(auto) with(F&& f) {
        std::lock_guard lock(mutex_);
        return f(engine_);
    }
    // Direct access for set-up and checks between calls, when nothing else is talking to the
    // printer; use with() while another thread may be.
    Faults& faults() { return engine_.faults(); }
    PrinterState& state() { return engine_.state(); }
    // Queues a reply as if the printer had sent it unasked.
    void pushReply(Bytes bytes);
    std::size_t pendingReplies();
    // Packets, jobs and firmware received so far (a copy).
    std::vector<Received> received();
    void clearReceived();
    // Number of reads attempted so far.
    int reads();

  private:
    std::mutex mutex_;
    PrinterEngine engine_;
    std::deque<Outgoing> replies_;
    int readsSinceReply_ = 0;
    int reads_ = 0;
};

// The simulated printer that QV410_DEVICE=simulator selects (one per process).
std::shared_ptr<SimulatedPrinter> processSimulator();

}  // namespace qv::sim
