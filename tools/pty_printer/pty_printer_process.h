// Runs qv410-pty-printer as a child process for tests and benchmarks.
//
//   qv::testing::PtyPrinterProcess printer({"--decoy", "0", "--lp", "1"});
//   setenv("QV410_ROOT", printer.root().c_str(), 1);
//   ... drive the library ...
//   printer.control("status 8");                      // waits for the tool's "ok"
//   EXPECT_EQ(printer.received(), (std::vector<std::string>{"command 1f1b1a040103", ...}));
//
// Every call is bounded: one that gets no answer in time throws std::runtime_error, as does a
// refused control line or a tool that does not start. The destructor ends the tool (closing its
// stdin, then SIGTERM, then SIGKILL) and the tool removes its tree.
//
// The tool writes one line per packet it receives and blocks when nobody reads them: a long run
// calls received() or clearReceived() now and then (every few thousand packets), or turns the
// lines off with control("report 0").
#pragma once

#include <sys/types.h>
#include <chrono>
#include <string>
#include <vector>

namespace qv::testing {

class PtyPrinterProcess {
  public:
    // Starts the tool with these arguments (see qv410-pty-printer --help) and waits until its
    // tree is in place. The tool is the one built with this library, or $QV410_PTY_PRINTER.
    explicit PtyPrinterProcess(const std::vector<std::string>& arguments = {});
    ~PtyPrinterProcess();
    PtyPrinterProcess(const PtyPrinterProcess&) = delete;
    PtyPrinterProcess& operator=(const PtyPrinterProcess&) = delete;

    // The fake root to export as QV410_ROOT.
    const std::string& root() const { return root_; }
    // The pty slave the printer listens on (what root()/dev/usb/lpN links to).
    const std::string& ptyPath() const { return ptyPath_; }

    // Sends one control line (e.g. "noreply 1", "delay 1500", "unplug") and waits for "ok".
    void control(const std::string& line);
    // The "state ..." line of the printer (status, buzzer, dump mode, counters, firmware).
    std::string state();

    // What the printer has received so far, oldest first ("command 1f1b1a040101", "job 232",
    // "firmware 1006", "garbage ..."). Waits until the printer input has gone quiet first, so
    // everything the host has written by now is included.
    std::vector<std::string> received();
    // Waits until at least count lines have been received, or until timeout; returns them.
    std::vector<std::string> waitForReceived(std::size_t count, std::chrono::milliseconds timeout);
    // Forgets the lines received so far (the printer's own state is kept).
    void clearReceived();

  private:
    // Reads lines until one satisfies done (true) or timeout; lines that are reports go to
    // received_ on the way. Returns the satisfying line.
    std::string readUntil(bool (*done)(const std::string&), std::chrono::milliseconds timeout);
    bool readLine(std::string& line, std::chrono::steady_clock::time_point deadline);
    void send(const std::string& line);
    void stop();

    pid_t pid_ = -1;
    int toTool_ = -1;
    int fromTool_ = -1;
    std::string pending_;  // bytes read but not yet a whole line
    std::string root_;
    std::string ptyPath_;
    std::vector<std::string> received_;
};

}  // namespace qv::testing
