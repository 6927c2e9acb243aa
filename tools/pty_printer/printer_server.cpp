#include "printer_server.h"

#include "control_words.h"
#include "printer_model/print_settings.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace qv::pty {

namespace {

using namespace std::chrono_literals;

// The pty hands over at most a few KiB per read, but big reads cost nothing and keep a firmware
// download at pipe speed.
constexpr std::size_t kReadChunk = 64 * 1024;
// Reads per wake-up before control lines and due replies get their turn.
constexpr int kReadsPerWake = 64;
// A late acknowledgement (ackonread N) is sent this far into the Nth read of the host, whose
// reads wait 1000 ms each.
constexpr auto kHostReadWait = 1000ms;
constexpr auto kIntoRead = 500ms;
constexpr std::size_t kMaxControlLine = 4096;
// The pty hands the host's bytes over through a kernel work queue: what the host wrote just
// before asking for a sync may take a moment to become readable here.
constexpr auto kSettle = 20ms;
// How often a line that is down (a gadget unbound) is tried again.
constexpr auto kReconnectEvery = 100ms;
// Command and firmware packets start with this byte; anything else starts a label job.

[[noreturn]] void failErrno(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::string hex(const sim::Bytes& bytes, std::size_t limit = SIZE_MAX) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

template <typename T>
std::optional<T> parseNumber(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> parseFlag(std::string_view text) {
    if (text == "1" || text == "on") {
        return true;
    }
    if (text == "0" || text == "off") {
        return false;
    }
    return std::nullopt;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The stored print settings in record order, as the settings control line takes them.
std::string settingsText(const PrintSettingParam& record) {
    std::string text;
    for (const int value : model::valuesOf(record)) {
        text += (text.empty() ? "" : ",") + std::to_string(value);
    }
    return text;
}

}  // namespace

Pty::Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        failErrno("posix_openpt");
    }
    try {
        if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
            failErrno("grantpt/unlockpt");
        }
        std::array<char, 128> name{};
        if (ptsname_r(master_, name.data(), name.size()) != 0) {
            failErrno("ptsname");
        }
        slavePath_ = name.data();
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) {
            failErrno("open " + slavePath_);
        }
        // Raw both ways: no CR/LF translation, no echo of replies back to us, no line editing
        // that would hold a reply back until a newline.
        termios tio{};
        if (tcgetattr(slave_, &tio) != 0) {
            failErrno("tcgetattr");
        }
        cfmakeraw(&tio);
        if (tcsetattr(slave_, TCSANOW, &tio) != 0) {
            failErrno("tcsetattr");
        }
        int flags = fcntl(master_, F_GETFL);
        if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
            failErrno("fcntl");
        }
    } catch (...) {
        if (slave_ >= 0) {
            ::close(slave_);
        }
        ::close(master_);
        throw;
    }
}

Pty::~Pty() {
    ::close(slave_);
    ::close(master_);
}

void Pty::discardUnreadReplies() {
    tcflush(slave_, TCIFLUSH);
}

PrinterServer::PrinterServer(PrinterLine& line, FakeRoot* root, ServerOptions options)
    : line_(line), root_(root), options_(std::move(options)) {
    // Images are big: kept only for as long as it takes to write them out.
    engine_.setRecordFirmware(!options_.firmwareFile.empty());
}

std::string PrinterServer::stateLine() const {
    const auto& s = engine_.state();
    return "state status=" + std::to_string(s.status) +
           " printed=" + std::to_string(s.printedLength) +
           " badpoints=" + std::to_string(s.badPoints) + " buzzer=" + std::to_string(s.buzzer) +
           " dump=" + std::to_string(s.dumpMode) +
           " labellearnings=" + std::to_string(s.labelLearnings) +
           " lackpaperlearnings=" + std::to_string(s.lackPaperLearnings) +
           " selftests=" + std::to_string(s.selfTests) +
           " factoryrestores=" + std::to_string(s.factoryRestores) +
           " firmwarebytes=" + std::to_string(engine_.firmwareBytesReceived()) +
           " settings=" + settingsText(s.settings) + " firmware=" + s.firmwareVersion;
}

std::string PrinterServer::control(const std::string& line, std::vector<std::string>& output) {
    const auto space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
    auto& state = engine_.state();
    auto& faults = engine_.faults();

    auto number = [&](int32_t& target) -> std::string {
        auto value = parseNumber<int32_t>(arg);
        if (!value) {
            return "expected a number";
        }
        target = *value;
        return "";
    };
    auto flag = [&](bool& target) -> std::string {
        auto value = parseFlag(arg);
        if (!value) {
            return "expected 0 or 1";
        }
        target = *value;
        return "";
    };

    const ControlWordEntry* entry = findControlWord(word);
    if (entry == nullptr) {
        return "unknown command '" + word + "'";
    }
    const ControlWord id = entry->id;
    switch (id) {
        case ControlWord::serial: {
            // What the serial-number query answers: at most the 58 bytes a reply carries.
            if (arg.empty() || arg.size() > 58) {
                return "expected 1 to 58 characters";
            }
            state.serialNumber = arg;
            return "";
        }
        case ControlWord::status:
            return number(state.status);
        case ControlWord::printed:
            return number(state.printedLength);
        case ControlWord::badPoints:
            return number(state.badPoints);
        case ControlWord::firmware: {
            state.firmwareVersion = arg;
            return "";
        }
        case ControlWord::acks:
            return flag(state.acknowledgesSettings);
        case ControlWord::afterDownload:
        case ControlWord::afterDownloadSilent: {
            engine_.setVersionAfterDownload(arg, id == ControlWord::afterDownload);
            return "";
        }
        case ControlWord::noReply:
            return flag(faults.noReply);
        case ControlWord::wrongMarker:
            return flag(faults.wrongMarker);
        case ControlWord::noAck:
            return flag(faults.noAck);
        case ControlWord::wrongAck:
            return flag(faults.wrongAck);
        case ControlWord::storesOther:
            return flag(faults.storesOtherSettings);
        case ControlWord::settings: {
            // The thirteen stored values in record order, as numbers; any value the field holds.
            model::SettingValues values{};
            std::size_t count = 0;
            std::string_view rest = arg;
            while (!rest.empty() && count < values.size()) {
                const std::size_t comma = rest.find(',');
                const auto value = parseNumber<int>(rest.substr(0, comma));
                if (!value || *value < -127 || *value > 65535) {
                    break;
                }
                values[count++] = *value;
                rest =
                    comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            }
            if (count != values.size() || !rest.empty()) {
                return "expected 13 numbers separated by commas, in record order";
            }
            state.settings = model::recordOf(values, model::RecordForm::asRead);
            return "";
        }
        case ControlWord::length: {
            if (arg == "off") {
                faults.replyLengthByte.reset();
                return "";
            }
            auto value = parseNumber<uint8_t>(arg);
            if (!value) {
                return "expected 0 to 255 or off";
            }
            faults.replyLengthByte = *value;
            return "";
        }
        case ControlWord::ackOnRead: {
            auto value = parseNumber<int>(arg);
            if (!value || *value < 1 || *value > 3) {
                return "expected 1, 2 or 3";
            }
            faults.ackOnRead = *value;
            return "";
        }
        case ControlWord::delay: {
            auto value = parseNumber<int>(arg);
            if (!value || *value < 0 || *value > 60000) {
                return "expected 0 to 60000 (ms)";
            }
            faults.replyDelay = std::chrono::milliseconds(*value);
            return "";
        }
        case ControlWord::stall:
            // "after N": the next N replies go out, and what the host sends after that stays in
            // the line (a printer that jams between its queries and the job that follows them).
            if (arg.rfind("after ", 0) == 0) {
                auto count = parseNumber<int>(arg.substr(6));
                if (!count || *count < 1 || *count > 1000) {
                    return "expected after 1 to after 1000";
                }
                stallAfterReplies_ = *count;
                return "";
            }
            stallAfterReplies_ = 0;
            return flag(stalled_);
        case ControlWord::shortWrite: {
            // The host's write to a pty always completes whole; the fault needs the in-process
            // simulated printer.
            return "a pty cannot cut a write short";
        }
        case ControlWord::unplug:
        case ControlWord::plug:
        case ControlWord::unopenable: {
            if (root_ == nullptr) {
                return "a device node is unplugged through its gadget's UDC";
            }
            bool plugged = id == ControlWord::plug;
            if (id == ControlWord::unopenable) {
                auto value = parseFlag(arg);
                if (!value) {
                    return "expected 0 or 1";
                }
                plugged = !*value;
            }
            faults.unopenable = !plugged;
            root_->setPlugged(plugged);
            // Whatever the printer had queued for the host goes with the cable.
            dropReplies();
            return "";
        }
        case ControlWord::absent: {
            if (root_ == nullptr) {
                return "a device node is present while its gadget is bound";
            }
            auto value = parseFlag(arg);
            if (!value) {
                return "expected 0 or 1";
            }
            faults.absent = *value;
            root_->setPresent(!*value);
            return "";
        }
        case ControlWord::flush: {
            dropReplies();
            return "";
        }
        case ControlWord::report:
            return flag(options_.report);
        case ControlWord::state: {
            output.push_back(stateLine());
            return "";
        }
    }
    return "unknown command '" + word + "'";
}

void PrinterServer::dropReplies() {
    outbox_.clear();
    outboxBlocked_ = false;
    line_.discardUnreadReplies();
}

void PrinterServer::lineLost(int error) {
    line_.disconnect();
    // What was on its way in or out goes with the cable; a packet cut short is no packet.
    engine_.endOfWrite();
    reportReceived();
    dropReplies();
    emit("disconnected " + line_.name() + " (" + std::strerror(error) + ")");
}

void PrinterServer::saveFirmware(const sim::Bytes& packet) {
    // 1F 75 and the four-byte length come before the image.
    constexpr std::size_t kHeader = 6;
    if (packet.size() < kHeader) {
        return;
    }
    // Written beside and renamed, so a reader never sees half an image.
    const std::string partial = options_.firmwareFile + ".part";
    FILE* file = std::fopen(partial.c_str(), "wb");
    bool ok = file != nullptr;
    if (ok) {
        const std::size_t size = packet.size() - kHeader;
        ok = std::fwrite(packet.data() + kHeader, 1, size, file) == size;
        ok = std::fclose(file) == 0 && ok;
    }
    if (!ok || std::rename(partial.c_str(), options_.firmwareFile.c_str()) != 0) {
        // Not "error ...": that answers a control line.
        emit("unsaved " + options_.firmwareFile + ": " + std::strerror(errno));
        return;
    }
    emit("saved " + options_.firmwareFile);
}

bool PrinterServer::emit(const std::string& line) {
    if (outputBroken_) {
        return false;
    }
    if (!writeAll(STDOUT_FILENO, line + "\n")) {
        outputBroken_ = true;  // nobody listens any more: time to go
        quit_ = true;
        return false;
    }
    return true;
}

void PrinterServer::reportReceived() {
    for (const auto& r : engine_.received()) {
        if (!options_.report) {
            break;
        }
        switch (r.kind) {
            case sim::Received::Kind::command:
                emit("command " + hex(r.bytes));
                break;
            case sim::Received::Kind::job:
                emit("job " + std::to_string(r.size));
                break;
            case sim::Received::Kind::firmware:
                emit("firmware " + std::to_string(r.size));
                if (!options_.firmwareFile.empty() && r.bytes.size() == r.size) {
                    saveFirmware(r.bytes);
                }
                break;
            case sim::Received::Kind::garbage:
                emit("garbage " + std::to_string(r.size) + " " + hex(r.bytes, 32));
                break;
        }
    }
    // The log lives on stdout; the engine keeps nothing, so a long run stays bounded.
    engine_.clearReceived();
}

void PrinterServer::scheduleReplies(std::vector<sim::Outgoing>& replies,
                                    Clock::time_point arrival) {
    const auto& faults = engine_.faults();
    for (auto& reply : replies) {
        if (faults.noReply) {
            continue;
        }
        auto due = arrival + faults.replyDelay;
        if (reply.acknowledgement && faults.ackOnRead > 1) {
            due += (faults.ackOnRead - 1) * kHostReadWait + kIntoRead;
        }
        // Replies leave in the order the packets came, whatever their delays.
        if (!outbox_.empty() && outbox_.back().due > due) {
            due = outbox_.back().due;
        }
        outbox_.push_back({due, std::move(reply.bytes), 0});
    }
    replies.clear();
}

long PrinterServer::readPrinterInput(Clock::time_point now) {
    static std::array<uint8_t, kReadChunk> buffer;
    if (stalled_) {
        return 0;  // what the host writes stays in the line until it is full
    }
    std::vector<sim::Outgoing> replies;
    long total = 0;
    for (int i = 0; i < kReadsPerWake && line_.fd() >= 0; ++i) {
        ssize_t n = ::read(line_.fd(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (line_.lostBy(errno)) {
                lineLost(errno);
                break;
            }
            if (errno == EAGAIN || errno == EIO) {
                // EIO: no slave side open; cannot happen while we hold it, harmless if it does.
                break;
            }
            std::perror("qv410-pty-printer: read");
            return -1;
        }
        if (n == 0) {
            break;
        }
        total += n;
        lastInput_ = now;
        engine_.receive({buffer.data(), static_cast<std::size_t>(n)}, replies);
        scheduleReplies(replies, now);
        reportReceived();
    }
    return total;
}

bool PrinterServer::sendDueReplies(Clock::time_point now) {
    while (!outbox_.empty() && !outboxBlocked_ && outbox_.front().due <= now && line_.fd() >= 0) {
        auto& reply = outbox_.front();
        // One write per reply: the host reads a reply with one read, so it must arrive whole.
        ssize_t n = ::write(line_.fd(), reply.bytes.data() + reply.written,
                            reply.bytes.size() - reply.written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (line_.lostBy(errno)) {
                lineLost(errno);
                break;
            }
            if (errno == EAGAIN) {
                outboxBlocked_ = true;
                break;
            }
            std::perror("qv410-pty-printer: write");
            return false;
        }
        reply.written += static_cast<std::size_t>(n);
        if (reply.written < reply.bytes.size()) {
            // The host left so many replies unread that the pty is full.
            std::fprintf(stderr, "qv410-pty-printer: reply split, the host does not read\n");
            outboxBlocked_ = true;
            break;
        }
        outbox_.pop_front();
        if (stallAfterReplies_ > 0 && --stallAfterReplies_ == 0) {
            stalled_ = true;
        }
    }
    return true;
}

bool PrinterServer::processControlLines() {
    while (!syncPending_ && !quit_) {
        const auto end = controlBuffer_.find('\n');
        if (end == std::string::npos) {
            if (controlEnded_ && !controlBuffer_.empty()) {
                controlBuffer_ += '\n';  // a last line without its newline still counts
                continue;
            }
            break;
        }
        std::string line = controlBuffer_.substr(0, end);
        controlBuffer_.erase(0, end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        if (line == "quit") {
            emit("ok");
            quit_ = true;
            break;
        }
        if (line == "sync") {
            syncPending_ = true;
            break;
        }
        std::vector<std::string> output;
        std::string refused;
        try {
            refused = control(line, output);
        } catch (const std::exception& e) {
            refused = e.what();
        }
        for (const auto& out : output) {
            emit(out);
        }
        emit(refused.empty() ? "ok" : "error " + refused);
    }
    return !quit_;
}

int PrinterServer::run() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        std::perror("qv410-pty-printer: sigprocmask");
        return 1;
    }
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::perror("qv410-pty-printer: signalfd");
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);

    int status = 0;
    bool lineUp = line_.fd() >= 0;
    while (!quit_) {
        if (!lineUp && line_.connect()) {
            lineUp = true;
            emit("connected " + line_.name());
        } else if (lineUp && line_.fd() < 0) {
            lineUp = false;
        }
        auto now = Clock::now();
        if (!sendDueReplies(now)) {
            status = 1;
            break;
        }
        const auto silence = now - lastInput_;
        const bool endJob = jobOpen() && silence >= options_.writeGap;
        const bool answerSync = syncPending_ && silence >= kSettle && !jobOpen();
        if (endJob || answerSync) {
            // The silence may only be ours (not scheduled for a while): look once more.
            const long got = readPrinterInput(now);
            if (got < 0) {
                status = 1;
                break;
            }
            if (got > 0) {
                continue;
            }
            if (endJob) {
                // A job that does not end itself ends with the write that carried it; here
                // only the pause after it tells. Framed packets wait for their last byte.
                engine_.endOfWrite();
                reportReceived();
            }
            if (syncPending_ && !jobOpen()) {
                syncPending_ = false;
                emit("ok");
            }
        }
        if (!processControlLines()) {
            break;
        }
        if (controlEnded_ && controlBuffer_.empty() && !syncPending_) {
            break;
        }

        std::optional<Clock::time_point> wake;
        auto earliest = [&wake](Clock::time_point t) {
            if (!wake || t < *wake) {
                wake = t;
            }
        };
        if (!outbox_.empty() && !outboxBlocked_) {
            earliest(outbox_.front().due);
        }
        if (jobOpen()) {
            earliest(lastInput_ + options_.writeGap);
        } else if (syncPending_) {
            earliest(lastInput_ + kSettle);
        }
        if (line_.fd() < 0) {
            earliest(Clock::now() + kReconnectEvery);
        }

        std::array<pollfd, 3> fds{};
        fds[0] = {line_.fd(),
                  static_cast<short>((stalled_ ? 0 : POLLIN) | (outboxBlocked_ ? POLLOUT : 0)), 0};
        fds[1] = {signalFd, POLLIN, 0};
        // While a sync waits, later control lines wait too, so stdin is not watched.
        fds[2] = {controlEnded_ || syncPending_ ? -1 : STDIN_FILENO, POLLIN, 0};
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (wake) {
            auto left = std::max(Clock::duration::zero(), *wake - Clock::now());
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeoutPtr = &timeout;
        }
        if (ppoll(fds.data(), fds.size(), timeoutPtr, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("qv410-pty-printer: poll");
            status = 1;
            break;
        }
        now = Clock::now();
        if (fds[1].revents != 0) {
            break;  // asked to stop: the tree goes with us
        }
        if ((fds[0].revents & POLLOUT) != 0) {
            outboxBlocked_ = false;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            if (readPrinterInput(now) < 0) {
                status = 1;
                break;
            }
        } else if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && line_.lostBy(ENODEV)) {
            lineLost(ENODEV);
        } else if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            std::fprintf(stderr, "qv410-pty-printer: the pty failed\n");
            status = 1;
            break;
        }
        if ((fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            std::array<char, 4096> buffer{};
            ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
            if (n > 0) {
                controlBuffer_.append(buffer.data(), static_cast<std::size_t>(n));
                if (controlBuffer_.size() > kMaxControlLine &&
                    controlBuffer_.find('\n') == std::string::npos) {
                    controlBuffer_.clear();
                    emit("error line too long");
                }
            } else if (n == 0 || errno != EINTR) {
                controlEnded_ = true;
            }
        }
    }
    ::close(signalFd);
    return outputBroken_ ? 0 : status;
}

}  // namespace qv::pty
