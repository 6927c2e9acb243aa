#include "device/simulated_printer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "printer_model/print_settings.h"
#include "printer_model/protocol.h"

namespace qv::sim {
namespace {

namespace group = model::group;
namespace selector = model::selector;

constexpr uint8_t kLead0 = model::kLeadIn[0];
constexpr uint8_t kLead1 = model::kLeadIn[1];
constexpr uint8_t kLead2 = model::kLeadIn[2];
constexpr uint8_t kFirmwareLead = model::kFirmwareLead;
constexpr std::size_t kCommandHeader = model::kCommandHeaderSize;
constexpr std::size_t kFirmwareHeader = 6;
constexpr std::size_t kReplyTextMax = 58;
// Bounds on what the printer buffers, so that garbage cannot grow without end.
constexpr std::size_t kMaxJobBytes = 8u << 20;
constexpr std::size_t kMaxRaster = 16u << 20;
constexpr std::size_t kMaxLog = 10000;
constexpr uint64_t kMaxFirmwareReserve = 1u << 20;
constexpr std::string_view kBitmap = "BITMAP ";
constexpr std::size_t kMaxBitmapHead = 128;

Bytes header(uint8_t group, uint8_t length) {
    return {kLead0, kLead1, kLead2, group, length};
}

}  // namespace

PrintSettingParam factorySettings() {
    return model::recordOf(model::factoryValues(), model::RecordForm::asRead);
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
        case group::kWriteSettings:
            if (length == model::kSettingBytes) {
                const std::span<const uint8_t, model::kSettingBytes> body(
                    packet.data() + kCommandHeader, model::kSettingBytes);
                model::SettingValues values = model::decodeSettings(body, false);
                // A printer that takes the command but keeps another value than it was sent.
                if (faults_.storesOtherSettings) {
                    values[0] ^= 1;
                }
                state_.settings = model::recordOf(values, model::RecordForm::asRead);
                ack(group::kWriteSettings, replies);
            }
            return;
        case group::kControl:
            if (param(0) == selector::kFactoryRestore && length == 1) {
                state_.settings = factorySettings();
                state_.buzzer = 1;
                ++state_.factoryRestores;
                ack(group::kControl, replies);
            } else if (param(0) == selector::kConnectionCheck && length == 1) {
                Bytes marker = {0xFF, 0xFF, 0xFF,
                                static_cast<uint8_t>(faults_.wrongMarker ? 0xF1 : 0xF0)};
                marker.resize(8, 0);
                reply(std::move(marker), replies, false);
            } else if (param(0) == selector::kBuzzer && length == 2) {
                state_.buzzer = static_cast<uint8_t>(param(1));
                ack(group::kControl, replies);
            }
            return;
        case group::kLearning:
            if (param(0) == selector::kLackPaperLearning) {
                ++state_.lackPaperLearnings;
                ack(group::kLearning, replies);
            }
            return;
        case group::kPosition:
            if (length == 1 && param(0) == selector::kBadPointCheck) {
                number(group::kPosition, static_cast<uint32_t>(state_.badPoints), 2);
            } else if (length == 1 && param(0) == selector::kSelfTest) {
                ++state_.selfTests;  // the head-test job follows; nothing is answered
            } else if (length == 1) {
                ++state_.labelLearnings;
                ack(group::kPosition, replies);
            } else if (length == 2 && param(0) == selector::kDumpMode) {
                state_.dumpMode = static_cast<uint8_t>(param(1));
                ack(group::kPosition, replies);
            }
            return;
        case group::kQuery:
            switch (param(0)) {
                case selector::kPrinterType:
                    text(selector::kPrinterType, state_.type);
                    break;
                case selector::kStatus:
                    number(selector::kStatus, static_cast<uint32_t>(state_.status), 1);
                    break;
                case selector::kSerialNumber:
                    text(selector::kSerialNumber, state_.serialNumber);
                    break;
                case selector::kFirmwareVersion:
                    text(selector::kFirmwareVersion, state_.firmwareVersion);
                    break;
                case selector::kPrintedLength:
                    number(selector::kPrintedLength, static_cast<uint32_t>(state_.printedLength),
                           4);
                    break;
                default:
                    break;
            }
            return;
        case group::kReadSettings:
            if (param(0) == selector::kReadAll) {
                Bytes bytes = header(group::kReadSettings, model::kSettingBytes);
                const model::SettingBytes body =
                    model::encodeSettings(model::valuesOf(state_.settings), true);
                bytes.insert(bytes.end(), body.begin(), body.end());
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
