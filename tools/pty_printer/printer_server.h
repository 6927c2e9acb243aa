// Serves the simulated printer engine on the printer's end of a line to the host (the master side
// of a pseudo-terminal whose slave the host opens as its printer device, or a USB printer
// gadget's node), and takes control lines on stdin.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/simulated_printer.h"
#include "fake_root.h"
#include "printer_line.h"

namespace qv::pty {

// The pseudo-terminal: the master is ours to read and write, the slave stays open for the whole
// run so that the host's open and close per exchange never hangs it up and unread replies stay
// queued for the next read, as they would in a printer.
class Pty : public PrinterLine {
  public:
    Pty();  // throws std::runtime_error
    ~Pty() override;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int fd() const override { return master_; }
    void discardUnreadReplies() override;
    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& slavePath() const { return slavePath_; }
    std::string name() const override { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

struct ServerOptions {
    // Silence after which a label job that has not ended itself (no PRINT line) is taken as
    // complete, as the end of the write would in process.
    std::chrono::milliseconds writeGap{50};
    bool report = true;
    // Where each firmware image received is written whole (empty: sizes only), so that a test
    // can compare it byte for byte with what the host sent.
    std::string firmwareFile;
};

class PrinterServer {
  public:
    // `root` is the fake tree the printer appears in; null for a line that is a real device
    // node, whose presence the kernel decides.
    PrinterServer(PrinterLine& line, FakeRoot* root, ServerOptions options);

    // Applies one control line. Returns "" when done, else the reason it was refused. `sync` and
    // `quit` are handled by run(); state queries append their answer line to `output`.
    std::string control(const std::string& line, std::vector<std::string>& output);

    // Serves until stdin ends, `quit`, SIGTERM, SIGINT or SIGHUP. Returns the exit status.
    int run();

    sim::PrinterEngine& engine() { return engine_; }

  private:
    using Clock = std::chrono::steady_clock;
    struct PendingReply {
        Clock::time_point due;
        sim::Bytes bytes;
        std::size_t written = 0;
    };

    // Reads what the host has written so far; the number of bytes, -1 on failure.
    long readPrinterInput(Clock::time_point now);
    void scheduleReplies(std::vector<sim::Outgoing>& replies, Clock::time_point arrival);
    bool sendDueReplies(Clock::time_point now);
    void lineLost(int error);
    void saveFirmware(const sim::Bytes& packet);
    void reportReceived();
    void dropReplies();
    bool processControlLines();
    bool emit(const std::string& line);
    std::string stateLine() const;
    bool jobOpen() const { return engine_.open() == sim::PrinterEngine::Open::job; }

    PrinterLine& line_;
    FakeRoot* root_;
    ServerOptions options_;
    sim::PrinterEngine engine_;

    std::deque<PendingReply> outbox_;
    bool outboxBlocked_ = false;  // the pty took only part of a reply; wait for room
    bool stalled_ = false;        // takes no input, as a printer with a jammed endpoint
    int stallAfterReplies_ = 0;   // stalls once this many more replies have gone out
    Clock::time_point lastInput_{};
    // Bytes fed to the engine, and bytes of the entries it has logged: the difference is the
    // packet or job still open.
    bool syncPending_ = false;
    bool quit_ = false;
    bool outputBroken_ = false;
    std::string controlBuffer_;
    bool controlEnded_ = false;
};

}  // namespace qv::pty
