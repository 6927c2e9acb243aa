#include "device/simulated_printer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace qv::sim {
namespace {

constexpr uint8_t kLead0 = 0x1F;
constexpr uint8_t kLead1 = 0x1B;
constexpr uint8_t kLead2 = 0x1A;
constexpr uint8_t kFirmwareLead = 0x75;
constexpr std::size_t kCommandHeader = 5;
constexpr std::size_t kFirmwareHeader = 6;
constexpr std::size_t kReplyTextMax = 58;
// Bounds on what the printer buffers, so that garbage cannot grow without end.
constexpr std::size_t kMaxJobBytes = 8u << 20;
constexpr std::size_t kMaxRaster = 16u << 20;
constexpr std::size_t kMaxLog = 10000;
constexpr uint64_t kMaxFirmwareReserve = 1u << 20;
constexpr std::string_view kBitmap = "BITMAP ";
constexpr std::size_t kMaxBitmapHead = 128;

uint8_t signMagnitude(int16_t v) {
    return v < 0 ? static_cast<uint8_t>(0x80 | (-v & 0x7F)) : static_cast<uint8_t>(v & 0x7F);
}

int16_t fromSignMagnitude(uint8_t b) {
    return (b & 0x80) != 0 ? static_cast<int16_t>(-(b & 0x7F)) : static_cast<int16_t>(b);
}

Bytes header(uint8_t group, uint8_t length) {
    return {kLead0, kLead1, kLead2, group, length};
}

}  // namespace

PrintSettingParam factorySettings() {
    PrintSettingParam p{};
    p.printType = 0;
    p.powerOnPosition = 1;
    p.labelHeight = 400;
    p.paperType = 1;
    p.reprintWhenError = 1;
    p.preventSticker = 0;
    p.specialLabel = 0;
    p.printSpeed = 5;
    p.darkness = 8;
    p.hOrigin = 0;
    p.verticalOrigin = 0;
    p.printToStop = 0;
    p.preventTime = 0;
    return p;
}

PrinterEngine::PrinterEngine() {
    state_.settings = factorySettings();
}

void PrinterEngine::reply(Bytes bytes, std::vector<Outgoing>& replies, bool isAck) {
    if (faults_.noReply) {
        return;
    }
    if (!isAck && faults_.replyLengthByte && bytes.size() > 4) {
        bytes[4] = *faults_.replyLengthByte;
    }
    replies.push_back({std::move(bytes), isAck});
}

void PrinterEngine::ack(uint8_t group, std::vector<Outgoing>& replies) {
    if (faults_.noAck || !state_.acknowledgesSettings) {
        return;
    }
    Bytes bytes = header(group, 0x01);
    bytes.push_back(faults_.wrongAck ? 0x00 : 0x01);
    reply(std::move(bytes), replies, true);
}

void PrinterEngine::log(Received entry) {
    if (received_.size() >= kMaxLog) {
        // Drop the older half at once, so a long run pays for it rarely.
        received_.erase(received_.begin(), received_.begin() + kMaxLog / 2);
    }
    received_.push_back(std::move(entry));
}

void PrinterEngine::dispatchCommand(const Bytes& packet, std::vector<Outgoing>& replies) {
    log({Received::Kind::command, packet, packet.size()});
    const uint8_t group = packet[3];
    const uint8_t length = packet[4];
    const auto param = [&](std::size_t i) -> int {
        return i < length ? packet[kCommandHeader + i] : -1;
    };
    auto text = [&](uint8_t selector, const std::string& value) {
        const std::size_t n = std::min(value.size() + 1, kReplyTextMax);
        Bytes bytes = header(group, static_cast<uint8_t>(n));
        bytes.push_back(selector);
        bytes.insert(bytes.end(), value.begin(), value.begin() + static_cast<long>(n - 1));
        bytes.push_back(0);
        reply(std::move(bytes), replies);
    };
    auto number = [&](uint8_t selector, uint32_t value, int width) {
        Bytes bytes = header(group, static_cast<uint8_t>(width == 4 ? 5 : width + 1));
        bytes.push_back(selector);
        for (int i = 0; i < width; ++i) {
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
        reply(std::move(bytes), replies);
    };

    switch (group) {
        case 0x00:  // print settings written
            if (length == 15) {
                const uint8_t* p = packet.data() + kCommandHeader;
                PrintSettingParam& s = state_.settings;
                s.printType = p[0];
                s.powerOnPosition = p[1];
                s.labelHeight = static_cast<uint16_t>(p[2] | p[3] << 8);
                s.paperType = p[4];
                s.reprintWhenError = p[5];
                s.preventSticker = p[6];
                s.specialLabel = p[7];
                s.printSpeed = p[8];
                s.darkness = p[9];
                s.hOrigin = p[10];
                s.verticalOrigin = p[11];
                s.printToStop = fromSignMagnitude(p[12]);
                s.preventTime = static_cast<uint16_t>(p[13] | p[14] << 8);
                ack(0x00, replies);
            }
            return;
        case 0x01:
            if (param(0) == 0x01 && length == 1) {  // factory settings
                state_.settings = factorySettings();
                state_.buzzer = 1;
                ++state_.factoryRestores;
                ack(0x01, replies);
            } else if (param(0) == 0x02 && length == 1) {  // connection check
                Bytes marker = {0xFF, 0xFF, 0xFF,
                                static_cast<uint8_t>(faults_.wrongMarker ? 0xF1 : 0xF0)};
                marker.resize(8, 0);
                reply(std::move(marker), replies, false);
            } else if (param(0) == 0x00 && length == 2) {  // buzzer
                state_.buzzer = static_cast<uint8_t>(param(1));
                ack(0x01, replies);
            }
            return;
        case 0x02:
            if (param(0) == 0x02) {  // lack-paper learning
                ++state_.lackPaperLearnings;
                ack(0x02, replies);
            }
            return;
        case 0x03:
            if (length == 1 && param(0) == 0x03) {
                number(0x03, static_cast<uint32_t>(state_.badPoints), 2);
            } else if (length == 1 && param(0) == 0x01) {
                ++state_.selfTests;  // the head-test job follows; nothing is answered
            } else if (length == 1) {
                ++state_.labelLearnings;
                ack(0x03, replies);
            } else if (length == 2 && param(0) == 0x02) {
                state_.dumpMode = static_cast<uint8_t>(param(1));
                ack(0x03, replies);
            }
            return;
        case 0x04:
            switch (param(0)) {
                case 0:
                    text(0, state_.type);
                    break;
                case 1:
                    number(1, static_cast<uint32_t>(state_.status), 1);
                    break;
                case 2:
                    text(2, state_.serialNumber);
                    break;
                case 3:
                    text(3, state_.firmwareVersion);
                    break;
                case 4:
                    number(4, static_cast<uint32_t>(state_.printedLength), 4);
                    break;
                default:
                    break;
            }
            return;
        case 0x05:
            if (param(0) == 0x00) {
                const PrintSettingParam& s = state_.settings;
                Bytes bytes = header(0x05, 0x0F);
                const uint8_t body[15] = {s.darkness,
                                          s.printType,
                                          s.powerOnPosition,
                                          static_cast<uint8_t>(s.labelHeight & 0xFF),
                                          static_cast<uint8_t>(s.labelHeight >> 8),
                                          s.paperType,
                                          s.reprintWhenError,
                                          s.specialLabel,
                                          s.preventSticker,
                                          s.printSpeed,
                                          s.hOrigin,
                                          s.verticalOrigin,
                                          signMagnitude(s.printToStop),
                                          static_cast<uint8_t>(s.preventTime & 0xFF),
                                          static_cast<uint8_t>(s.preventTime >> 8)};
                bytes.insert(bytes.end(), std::begin(body), std::end(body));
                reply(std::move(bytes), replies);
            }
            return;
        default:
            return;
    }
}

void PrinterEngine::finishJob() {
    if (!pending_.empty()) {
        log({Received::Kind::job, pending_, pending_.size()});
    }
    pending_.clear();
    jobScanned_ = 0;
    rasterRemaining_ = 0;
    mode_ = Mode::idle;
}

void PrinterEngine::finishFirmware(std::vector<Outgoing>& replies) {
    log({Received::Kind::firmware, recordFirmware_ ? pending_ : Bytes{}, firmwareSize_});
    firmwareBytes_ += firmwareSize_ - kFirmwareHeader;
    pending_.clear();
    mode_ = Mode::idle;
    if (versionAfterDownload_) {
        state_.firmwareVersion = *versionAfterDownload_;
        state_.acknowledgesSettings = acknowledgesAfterDownload_;
        versionAfterDownload_.reset();
    }
    if (faults_.noAck) {
        return;
    }
    Bytes bytes = {kLead0, kFirmwareLead, 0x01, 0x01,
                   static_cast<uint8_t>(faults_.wrongAck ? 0 : 1)};
    reply(std::move(bytes), replies, true);
}

// Walks the job's lines from where the last scan stopped, skipping BITMAP raster bytes; true once
// the PRINT line has been received whole.
bool PrinterEngine::scanJob() {
    for (;;) {
        const std::size_t available = pending_.size() - jobScanned_;
        if (rasterRemaining_ > 0) {
            const std::size_t take = std::min(available, rasterRemaining_);
            jobScanned_ += take;
            rasterRemaining_ -= take;
            if (rasterRemaining_ > 0) {
                return false;
            }
            continue;
        }
        const std::string_view rest(reinterpret_cast<const char*>(pending_.data()) + jobScanned_,
                                    available);
        if (rest.size() < kBitmap.size() && kBitmap.starts_with(rest)) {
            return false;  // might still become a BITMAP head
        }
        if (rest.starts_with(kBitmap)) {
            // BITMAP x,y,widthBytes,height,mode, then the raster right after the last comma.
            std::size_t pos = kBitmap.size();
            long values[5] = {};
            int found = 0;
            while (found < 5) {
                const std::size_t comma = rest.find(',', pos);
                if (comma == std::string_view::npos || comma > kMaxBitmapHead) {
                    break;
                }
                std::from_chars(rest.data() + pos, rest.data() + comma, values[found]);
                pos = comma + 1;
                ++found;
            }
            if (found < 5 && rest.size() <= kMaxBitmapHead) {
                return false;  // the head is not complete yet
            }
            if (found == 5) {
                const bool sane =
                    values[2] > 0 && values[3] > 0 && values[2] < 65536 && values[3] < 65536;
                rasterRemaining_ =
                    sane ? std::min(static_cast<std::size_t>(values[2] * values[3]), kMaxRaster)
                         : 0;
                jobScanned_ += pos;
                continue;
            }
            // Not a well-formed head: an ordinary line.
        }
        const std::size_t end = rest.find("\r\n");
        if (end == std::string_view::npos) {
            return false;
        }
        jobScanned_ += end + 2;
        if (rest.starts_with("PRINT")) {
            return true;
        }
    }
}

void PrinterEngine::receive(std::span<const uint8_t> bytes, std::vector<Outgoing>& replies) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        switch (mode_) {
            case Mode::idle:
                pending_.clear();
                if (bytes[i] == kLead0) {
                    mode_ = Mode::header;
                } else {
                    mode_ = Mode::job;
                    jobScanned_ = 0;
                    rasterRemaining_ = 0;
                }
                break;
            case Mode::header: {
                pending_.push_back(bytes[i++]);
                if (pending_.size() == 2 && pending_[1] == kFirmwareLead) {
                    mode_ = Mode::firmware;
                } else if ((pending_.size() == 2 && pending_[1] != kLead1) ||
                           (pending_.size() == 3 && pending_[2] != kLead2)) {
                    log({Received::Kind::garbage, pending_, pending_.size()});
                    mode_ = Mode::idle;
                } else if (pending_.size() >= kCommandHeader &&
                           pending_.size() == kCommandHeader + pending_[4]) {
                    const Bytes packet = std::move(pending_);
                    pending_.clear();
                    mode_ = Mode::idle;
                    dispatchCommand(packet, replies);
                }
                break;
            }
            case Mode::firmware: {
                if (pending_.size() < kFirmwareHeader) {
                    pending_.push_back(bytes[i++]);
                    if (pending_.size() == kFirmwareHeader) {
                        firmwareRemaining_ = static_cast<uint64_t>(pending_[2]) << 24 |
                                             static_cast<uint64_t>(pending_[3]) << 16 |
                                             static_cast<uint64_t>(pending_[4]) << 8 | pending_[5];
                        firmwareSize_ = kFirmwareHeader + firmwareRemaining_;
                        // The size is the sender's claim: room is made for what actually comes.
                        if (recordFirmware_) {
                            pending_.reserve(
                                std::min<uint64_t>(firmwareSize_, kMaxFirmwareReserve));
                        }
                        if (firmwareRemaining_ == 0) {
                            finishFirmware(replies);
                        }
                    }
                    break;
                }
                const std::size_t take = static_cast<std::size_t>(
                    std::min<uint64_t>(firmwareRemaining_, bytes.size() - i));
                if (recordFirmware_) {
                    pending_.insert(pending_.end(), bytes.begin() + static_cast<long>(i),
                                    bytes.begin() + static_cast<long>(i + take));
                }
                i += take;
                firmwareRemaining_ -= take;
                if (firmwareRemaining_ == 0) {
                    finishFirmware(replies);
                }
                break;
            }
            case Mode::job: {
                const std::size_t take = std::min(bytes.size() - i, kMaxJobBytes - pending_.size());
                pending_.insert(pending_.end(), bytes.begin() + static_cast<long>(i),
                                bytes.begin() + static_cast<long>(i + take));
                i += take;
                if (scanJob()) {
                    // Bytes after the PRINT line start the next packet or job.
                    const std::size_t extra = pending_.size() - jobScanned_;
                    i -= extra;
                    pending_.resize(jobScanned_);
                    finishJob();
                } else if (pending_.size() >= kMaxJobBytes) {
                    log({Received::Kind::garbage, {}, pending_.size()});
                    pending_.clear();
                    mode_ = Mode::idle;
                }
                break;
            }
        }
    }
}

void PrinterEngine::endOfWrite() {
    switch (mode_) {
        case Mode::job:
            finishJob();
            break;
        case Mode::header:
        case Mode::firmware:
            // A write that ends inside a packet: the printer drops the fragment.
            log({Received::Kind::garbage, pending_, pending_.size()});
            pending_.clear();
            mode_ = Mode::idle;
            break;
        case Mode::idle:
            break;
    }
}

std::optional<std::string> SimulatedPrinter::find() {
    std::lock_guard lock(mutex_);
    if (engine_.faults().absent) {
        return std::nullopt;
    }
    return std::string(kPath);
}

bool SimulatedPrinter::canOpen(const std::string& path) {
    std::lock_guard lock(mutex_);
    return path == kPath && !engine_.faults().unopenable && !engine_.faults().absent;
}

// Simulated time again: a stalled printer (shortWrite) is one that stops taking data, and the
// wait has passed when the write returns.
device::WriteStatus SimulatedPrinter::write(const std::string& path, std::span<const uint8_t> bytes,
                                            std::chrono::milliseconds /*wait*/) {
    std::lock_guard lock(mutex_);
    if (path != kPath || engine_.faults().unopenable || engine_.faults().absent) {
        return device::WriteStatus::openFailed;
    }
    const bool shortWrite = engine_.faults().shortWrite && !bytes.empty();
    std::vector<Outgoing> out;
    engine_.receive(shortWrite ? bytes.first(bytes.size() - 1) : bytes, out);
    engine_.endOfWrite();
    replies_.insert(replies_.end(), std::make_move_iterator(out.begin()),
                    std::make_move_iterator(out.end()));
    return shortWrite ? device::WriteStatus::writeFailed : device::WriteStatus::ok;
}

device::ReadStatus SimulatedPrinter::read(const std::string& path, std::span<uint8_t> buffer,
                                          std::chrono::milliseconds wait, std::size_t& received) {
    std::lock_guard lock(mutex_);
    received = 0;
    if (path != kPath || engine_.faults().unopenable || engine_.faults().absent) {
        return device::ReadStatus::openFailed;
    }
    ++reads_;
    // Simulated time: a reply that would come later than the wait is missed by this read and
    // stays queued for the next one, as on the wire.
    if (replies_.empty() || engine_.faults().replyDelay >= wait) {
        return device::ReadStatus::failed;
    }
    if (replies_.front().acknowledgement && readsSinceReply_ + 1 < engine_.faults().ackOnRead) {
        ++readsSinceReply_;
        return device::ReadStatus::failed;
    }
    readsSinceReply_ = 0;
    const Bytes bytes = std::move(replies_.front().bytes);
    replies_.pop_front();
    received = std::min(bytes.size(), buffer.size());
    std::copy_n(bytes.begin(), received, buffer.begin());
    return device::ReadStatus::ok;
}

void SimulatedPrinter::pushReply(Bytes bytes) {
    std::lock_guard lock(mutex_);
    replies_.push_back({std::move(bytes), false});
}

std::size_t SimulatedPrinter::pendingReplies() {
    std::lock_guard lock(mutex_);
    return replies_.size();
}

std::vector<Received> SimulatedPrinter::received() {
    std::lock_guard lock(mutex_);
    return engine_.received();
}

void SimulatedPrinter::clearReceived() {
    std::lock_guard lock(mutex_);
    engine_.clearReceived();
}

int SimulatedPrinter::reads() {
    std::lock_guard lock(mutex_);
    return reads_;
}

std::shared_ptr<SimulatedPrinter> processSimulator() {
    static const std::shared_ptr<SimulatedPrinter> printer = [] {
        auto p = std::make_shared<SimulatedPrinter>();
        // A long-running program keeps the sizes of firmware images, not the images.
        p->with([](PrinterEngine& e) { e.setRecordFirmware(false); });
        return p;
    }();
    return printer;
}

}  // namespace qv::sim
