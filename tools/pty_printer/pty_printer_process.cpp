#include "pty_printer_process.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qv::testing {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = 10s;
// Long enough for a sync behind a big write on a busy machine.
constexpr auto kControlTimeout = 20s;
constexpr auto kStopTimeout = 5s;
constexpr std::size_t kMaxLine = 64 * 1024;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error("qv410-pty-printer: " + what);
}

bool isReport(const std::string& line) {
    for (const char* prefix : {"command ", "job ", "firmware ", "garbage "}) {
        if (line.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

bool isAnswer(const std::string& line) {
    return line == "ok" || line.starts_with("error ");
}

std::string toolPath() {
    const char* fromEnvironment = std::getenv("QV410_PTY_PRINTER");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return fromEnvironment;
    }
    return QV410_PTY_PRINTER_PATH;
}

}  // namespace

PtyPrinterProcess::PtyPrinterProcess(const std::vector<std::string>& arguments) {
    std::array<int, 2> in{-1, -1};
    std::array<int, 2> out{-1, -1};
    if (pipe2(in.data(), O_CLOEXEC) != 0 || pipe2(out.data(), O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        fail(std::string("pipe: ") + std::strerror(errno));
    }

    const std::string path = toolPath();
    std::vector<std::string> args{path};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    toTool_ = in[1];
    fromTool_ = out[0];
    if (rc != 0) {
        pid_ = -1;
        ::close(toTool_);
        ::close(fromTool_);
        fail("cannot start " + path + ": " + std::strerror(rc));
    }

    try {
        const auto deadline = Clock::now() + kStartTimeout;
        std::string line;
        while (root_.empty() || ptyPath_.empty()) {
            if (!readLine(line, deadline)) {
                fail("did not start (see its messages above)");
            }
            if (line.starts_with("QV410_ROOT=")) {
                root_ = line.substr(std::strlen("QV410_ROOT="));
            } else if (line.starts_with("pty ")) {
                ptyPath_ = line.substr(4);
            }
        }
    } catch (...) {
        stop();
        throw;
    }
}

PtyPrinterProcess::~PtyPrinterProcess() {
    stop();
}

void PtyPrinterProcess::stop() {
    if (toTool_ >= 0) {
        ::close(toTool_);  // end of stdin: the tool removes its tree and exits
        toTool_ = -1;
    }
    if (pid_ > 0) {
        // Its stdout closes when it exits; escalate if it does not.
        std::string ignored;
        try {
            for (int signal : {0, SIGTERM, SIGKILL}) {
                if (signal != 0) {
                    ::kill(pid_, signal);
                }
                const auto deadline = Clock::now() + kStopTimeout;
                while (readLine(ignored, deadline)) {
                }
                if (Clock::now() < deadline) {
                    break;  // end of output before the deadline: it has exited
                }
            }
        } catch (const std::exception&) {
            ::kill(pid_, SIGKILL);
        }
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    if (fromTool_ >= 0) {
        ::close(fromTool_);
        fromTool_ = -1;
    }
}

// False at the end of the tool's output or at the deadline.
bool PtyPrinterProcess::readLine(std::string& line, Clock::time_point deadline) {
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return true;
        }
        if (pending_.size() > kMaxLine) {
            fail("line too long");
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd pfd{fromTool_, POLLIN, 0};
        const int rc = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        if (rc <= 0) {
            return false;
        }
        std::array<char, 4096> buffer{};
        const ssize_t n = ::read(fromTool_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        pending_.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

void PtyPrinterProcess::send(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(toTool_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("cannot send '" + line + "': " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string PtyPrinterProcess::readUntil(bool (*done)(const std::string&),
                                         std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string line;
    while (readLine(line, deadline)) {
        if (isReport(line)) {
            received_.push_back(line);
        }
        if (done(line)) {
            return line;
        }
    }
    fail("no answer within " + std::to_string(timeout.count()) + " ms");
}

void PtyPrinterProcess::control(const std::string& line) {
    if (line.find('\n') != std::string::npos) {
        fail("a control line holds no newline");
    }
    send(line);
    const std::string answer = readUntil(isAnswer, kControlTimeout);
    if (answer != "ok") {
        fail("'" + line + "': " + answer);
    }
}

std::string PtyPrinterProcess::state() {
    send("state");
    std::string line =
        readUntil([](const std::string& l) { return l.starts_with("state "); }, kControlTimeout);
    if (readUntil(isAnswer, kControlTimeout) != "ok") {
        fail("state refused");
    }
    return line;
}

std::vector<std::string> PtyPrinterProcess::received() {
    control("sync");
    return received_;
}

std::vector<std::string> PtyPrinterProcess::waitForReceived(std::size_t count,
                                                            std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string line;
    while (received_.size() < count && readLine(line, deadline)) {
        if (isReport(line)) {
            received_.push_back(line);
        }
    }
    return received_;
}

void PtyPrinterProcess::clearReceived() {
    control("sync");
    received_.clear();
}

}  // namespace qv::testing
