// Every export that talks to the printer, against every fault in turn, through the real Linux
// device layer and the pty-served simulated printer: the result, the last error code, the link
// state afterwards, and no descriptor left open. One test per export and fault.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>

#include "control_words.h"
#include "head_test_job.h"
#include "pty_fixture.h"
#include "settings_packets.h"
#include "text/codepage.h"
#include "unique_fd.h"

namespace {

using qv::pty::controlLine;
using qv::pty::ControlWord;

namespace fs = std::filesystem;
using qv::settings::kKindDumpMode;
using qv::settings::kKindFactoryRestore;
using qv::settings::kKindFirmware;
using qv::settings::kKindLackPaperLearn;
using qv::settings::kKindLocation;
using qv::settings::kKindNone;
using qv::settings::kKindPrintSetting;
using qv::settings::kKindUserSetting;

enum class Export {
    type,
    serial,
    firmware,
    status,
    printedLength,
    badPoint,
    info,
    connection,
    setPrintSetting,
    getPrintSetting,
    userSetting,
    factoryRestore,
    location,
    dumpMode,
    lackPaperLearn,
    settingResult,  // a command, then GetSettingResult; the row judges the latter
    textTest,
    selfTest,
    download,
};

enum class Fault {
    none,
    absent,          // no printer in sysfs
    permission,      // the node is there but refuses to open
    directory,       // the node replaced by a directory
    regularFile,     // the node replaced by an empty regular file
    writeRefused,    // writes fail (a node that is always full)
    writeStalled,    // the printer takes no data; the line is full
    noReply,         // nothing ever comes back
    lateReply,       // replies come 1500 ms after their packet
    length0,         // query replies with length byte 0
    length1,         // ... 1
    length255,       // ... 255
    zeroReply,       // every read gives zero bytes (a node that reads as zeros)
    wrongMarkerAck,  // the connection check and the acknowledgements answer wrongly
    invalidText,     // the firmware version text holds a byte invalid in the code set
    removedBetween,  // the node goes away after the export's first write: no matter
    signals,         // signals arrive all through the call (replies come after 300 ms)
    signalsNoReply,  // signals arrive all through a call whose reads get nothing
};

// What the export does with the printer, which decides its answer to a fault.
enum class Shape {
    query,
    connection,
    command,
    location,
    lackPaper,
    getSettings,
    result,
    print,
    download
};

Shape shapeOf(Export e) {
    switch (e) {
        case Export::type:
        case Export::serial:
        case Export::firmware:
        case Export::status:
        case Export::printedLength:
        case Export::badPoint:
        case Export::info:
            return Shape::query;
        case Export::connection:
            return Shape::connection;
        case Export::setPrintSetting:
        case Export::userSetting:
        case Export::factoryRestore:
        case Export::dumpMode:
            return Shape::command;
        case Export::location:
            return Shape::location;
        case Export::lackPaperLearn:
            return Shape::lackPaper;
        case Export::getPrintSetting:
            return Shape::getSettings;
        case Export::settingResult:
            return Shape::result;
        case Export::textTest:
        case Export::selfTest:
            return Shape::print;
        case Export::download:
            return Shape::download;
    }
    return Shape::query;
}

int32_t kindOf(Export e) {
    switch (e) {
        case Export::setPrintSetting:
            return kKindPrintSetting;
        case Export::userSetting:
            return kKindUserSetting;
        case Export::factoryRestore:
            return kKindFactoryRestore;
        case Export::dumpMode:
        case Export::settingResult:  // its command is a dump-mode setting
            return kKindDumpMode;
        case Export::location:
            return kKindLocation;
        case Export::lackPaperLearn:
            return kKindLackPaperLearn;
        case Export::download:
            return kKindFirmware;
        default:
            return kKindNone;
    }
}

// Set before every call: a code the call must keep when it sets none.
constexpr int32_t kEarlierCode = 99;

struct Expected {
    int32_t result;
    int32_t code;
};

// The result and last error code each fault gives, by the shape of the export.
Expected expectedFor(Shape shape, Fault fault) {
    const Expected ok{1, kEarlierCode};
    const auto fail = [](int32_t code) { return Expected{0, code}; };
    switch (fault) {
        case Fault::none:
        case Fault::signals:
        case Fault::length255:
        case Fault::invalidText:
            return ok;
        case Fault::absent:
            // Only the two exports that send without discovery reach the write, whose empty path
            // cannot open; GetSettingResult's reads find no printer three times.
            if (shape == Shape::lackPaper || shape == Shape::download) {
                return fail(QV_ERR_CANNOT_OPEN_USB_PRINTER);
            }
            return fail(shape == Shape::result ? QV_ERR_READ_USB_BEYOND_MAX_TIME
                                               : QV_ERR_NOT_FINE_USB_PRINTER);
        case Fault::permission:
        case Fault::directory:
        case Fault::regularFile:  // no character device: refused before a byte goes in
            return fail(shape == Shape::result ? QV_ERR_READ_USB_BEYOND_MAX_TIME
                                               : QV_ERR_CANNOT_OPEN_USB_PRINTER);
        case Fault::writeRefused:
            // Writes fail; reads give zeros, so the queries end on the zero length byte.
            switch (shape) {
                case Shape::query:
                case Shape::location:
                case Shape::print:
                    return fail(QV_ERR_READ_USB_FAIL);
                case Shape::result:
                    return fail(kEarlierCode);  // zeros are no acknowledgement
                default:
                    return fail(QV_ERR_WRITE_USB_FAIL);
            }
        case Fault::writeStalled:
            switch (shape) {
                case Shape::query:
                case Shape::connection:
                case Shape::location:
                case Shape::print:
                    return fail(QV_ERR_READ_USB_FAIL);
                case Shape::result:
                    return fail(QV_ERR_READ_USB_BEYOND_MAX_TIME);
                default:
                    return fail(QV_ERR_WRITE_USB_FAIL);
            }
        case Fault::noReply:
        case Fault::signalsNoReply:
        case Fault::lateReply:
            switch (shape) {
                case Shape::command:
                case Shape::lackPaper:
                case Shape::download:
                    return ok;
                case Shape::result:
                    // A late acknowledgement is met by the second of the three reads.
                    // (the first read has recorded its failure by then).
                    return fault == Fault::lateReply ? Expected{1, QV_ERR_READ_USB_FAIL}
                                                     : fail(QV_ERR_READ_USB_BEYOND_MAX_TIME);
                default:
                    return fail(QV_ERR_READ_USB_FAIL);
            }
        case Fault::length0:
        case Fault::length1:
            switch (shape) {
                case Shape::query:
                case Shape::location:
                case Shape::getSettings:
                case Shape::print:
                    return fail(QV_ERR_READ_USB_FAIL);
                default:
                    return ok;  // the marker and the acknowledgements keep their bytes
            }
        case Fault::zeroReply:
            switch (shape) {
                case Shape::connection:
                case Shape::result:
                    return fail(kEarlierCode);
                case Shape::command:
                case Shape::lackPaper:
                case Shape::download:
                    return ok;
                default:
                    return fail(QV_ERR_READ_USB_FAIL);
            }
        case Fault::wrongMarkerAck:
            return (shape == Shape::connection || shape == Shape::result) ? fail(kEarlierCode) : ok;
        case Fault::removedBetween:
            return ok;  // the exchange's descriptor still reaches the printer
    }
    return ok;
}

std::string exportName(Export e) {
    static const char* const kNames[] = {"Type",
                                         "SerialNum",
                                         "FirmwareVer",
                                         "IsOK",
                                         "PrintedLen",
                                         "BadPointCheck",
                                         "Info",
                                         "CheckConnection",
                                         "SetPrintSetting",
                                         "GetPrintSetting",
                                         "SetUserDefSetting",
                                         "RestoreFactory",
                                         "SetLocation",
                                         "SetDumpMode",
                                         "LackPaperLearn",
                                         "SettingResult",
                                         "TextTestPrint",
                                         "SelfTestPrint",
                                         "DownloadFirmware"};
    return kNames[static_cast<int>(e)];
}

std::string faultName(Fault f) {
    static const char* const kNames[] = {"NoFault",
                                         "Absent",
                                         "Unopenable",
                                         "NodeIsDirectory",
                                         "NodeIsRegularFile",
                                         "WriteRefused",
                                         "WriteStalled",
                                         "NoReply",
                                         "LateReply",
                                         "LengthByte0",
                                         "LengthByte1",
                                         "LengthByte255",
                                         "AllZeroReply",
                                         "WrongMarkerAndAck",
                                         "InvalidText",
                                         "NodeRemovedBetweenWriteAndRead",
                                         "SignalsInEveryWait",
                                         "SignalsWhileNoReply"};
    return kNames[static_cast<int>(f)];
}

void PrintTo(Export e, std::ostream* os) {
    *os << exportName(e);
}
void PrintTo(Fault f, std::ostream* os) {
    *os << faultName(f);
}

std::size_t openDescriptors() {
    std::size_t n = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return 0;
    }
    while (const dirent* entry = ::readdir(dir)) {
        n += entry->d_name[0] != '.' ? 1 : 0;
    }
    ::closedir(dir);
    return n;
}

// Passes everything to the Linux device layer; after the first write it runs a hook (removing
// the node, in the row that needs it).
class AfterFirstWrite : public qv::device::Device {
  public:
    AfterFirstWrite(std::shared_ptr<qv::device::Device> inner, std::function<void()> hook)
        : inner_(std::move(inner)), hook_(std::move(hook)) {}
    std::optional<std::string> find() override { return inner_->find(); }
    qv::device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                                  std::chrono::milliseconds wait) override {
        const auto status = inner_->write(path, bytes, wait);
        if (hook_) {
            std::exchange(hook_, nullptr)();
        }
        return status;
    }
    qv::device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                                std::chrono::milliseconds wait, std::size_t& received) override {
        return inner_->read(path, buffer, wait, received);
    }
    void release() noexcept override { inner_->release(); }

  private:
    std::shared_ptr<qv::device::Device> inner_;
    std::function<void()> hook_;
};

volatile std::sig_atomic_t gSignals = 0;
void countSignal(int /*signal*/) {
    gSignals = gSignals + 1;
}

// A signal every few milliseconds while in scope, delivered without restarting system calls.
class SignalStorm {
  public:
    SignalStorm() {
        struct sigaction action {};
        action.sa_handler = countSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: every wait sees EINTR
        ::sigaction(SIGALRM, &action, &previous_);
        sigevent event{};
        event.sigev_notify = SIGEV_SIGNAL;
        event.sigev_signo = SIGALRM;
        armed_ = ::timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0;
        itimerspec every{};
        every.it_value.tv_nsec = 1'000'000;
        every.it_interval.tv_nsec = 7'000'000;
        armed_ = armed_ && ::timer_settime(timer_, 0, &every, nullptr) == 0;
    }
    ~SignalStorm() {
        if (armed_) {
            ::timer_delete(timer_);
        }
        ::sigaction(SIGALRM, &previous_, nullptr);
    }
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;
    bool armed() const { return armed_; }

  private:
    struct sigaction previous_ {};
    timer_t timer_{};
    bool armed_ = false;
};

void noPause(std::chrono::milliseconds /*duration*/) {}

class FaultMatrixTest : public PtyPrinterTest,
                        public ::testing::WithParamInterface<std::tuple<Export, Fault>> {
  protected:
    void SetUp() override {
        PtyPrinterTest::SetUp();
        previousPause = qv::selftest::setPauseForTesting(noPause);
        std::string pattern = (fs::temp_directory_path() / "qv-matrix-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        firmware = dir / "image.bin";
        std::ofstream(firmware, std::ios::binary) << std::string(100, '\x5A');
    }
    void TearDown() override {
        qv::selftest::setPauseForTesting(previousPause);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        PtyPrinterTest::TearDown();
    }

    fs::path node() const { return fs::path(printer->root()) / "dev/usb/lp0"; }
    void replaceNode(const std::function<void(const fs::path&)>& make) {
        fs::remove(node());
        make(node());
    }

    int32_t call(Export e) {
        QVWCHAR text[QV_PRINTER_TEXT_LEN] = {};
        int32_t number = 0;
        PrintSettingParam settings{};
        PrinterInfo info{};
        switch (e) {
            case Export::type:
                return QVGetPrinterType(text);
            case Export::serial:
                return QVGetPrinterSerialNum(text);
            case Export::firmware: {
                const int32_t result = QVGetPrinterFirmwareVer(text);
                firmwareText = text;
                return result;
            }
            case Export::status:
                return QVGetPrinterIsOK(&number);
            case Export::printedLength:
                return QVGetPrinterPrintedLen(&number);
            case Export::badPoint:
                return QVBadPointCheck(&number);
            case Export::info:
                return QVGetPrinterInfo(&info);
            case Export::connection:
                return USBCheckConnection();
            case Export::setPrintSetting:
                settings.labelHeight = 100;
                return QVSetPrintSetting(&settings);
            case Export::getPrintSetting:
                return QVGetPrinterPrintSettingParam(&settings);
            case Export::userSetting: {
                const uint8_t buzzer = 1;
                return QVSetUserDefSetting(&buzzer);
            }
            case Export::factoryRestore:
                return QVRestoreFactorySettings();
            case Export::location: {
                const uint8_t location = 0;
                return QVSetLocationSetting(&location);
            }
            case Export::dumpMode:
                return QVSetDumpMode(1);
            case Export::lackPaperLearn:
                return QVLabelLackPaperLearn();
            case Export::settingResult:
                // The row judges GetSettingResult alone: what its command left is set aside.
                QVSetDumpMode(1);
                qv::setError(kEarlierCode);
                return GetSettingResult();
            case Export::textTest: {
                TextTestRequest request{};
                request.width = 50;
                request.height = 30;
                request.text[0] = u'T';
                return QVTextTestPrint(&request);
            }
            case Export::selfTest:
                return QVSelfTestPrint();
            case Export::download: {
                const std::u16string path = qv::text::fromUtf8(firmware.string());
                return BaseDownloadFirmware(path.c_str());
            }
        }
        return -1;
    }

    // Fills the line to the printer, which takes no more: every later write waits in vain. A
    // terminal reports no room to poll long before it is full, and the kernel moves data along
    // the line behind our back for a while, so the line counts as full only once not even one
    // byte has gone in for 300 ms.
    void fillTheLine() {
        printer->control(controlLine(ControlWord::stall, "1"));
        const qv::UniqueFd line(
            ::open(printer->ptyPath().c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(line.ok());
        const std::string junk(4096, '\0');
        int refusals = 0;
        for (int i = 0; i < 100000 && refusals < 15; ++i) {
            const std::size_t size = refusals == 0 ? junk.size() : 1;
            const ssize_t n = ::write(line.get(), junk.data(), size);
            if (n > 0) {
                refusals = 0;
                continue;
            }
            ASSERT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK) << std::strerror(errno);
            ++refusals;
            ::poll(nullptr, 0, 20);  // poll cannot tell when a terminal has room again
        }
        ASSERT_EQ(refusals, 15) << "the line never filled";
    }

    qv::selftest::Pause previousPause = nullptr;
    fs::path dir;
    fs::path firmware;
    std::u16string firmwareText;
};

TEST_P(FaultMatrixTest, ResultCodeAndLinkState) {
    const auto [exported, fault] = GetParam();
    const Shape shape = shapeOf(exported);

    // Each row starts from a library past its version gate, except where the fault is in the
    // gate's way: no printer to find, or a version text to judge.
    const bool gatePassed = fault != Fault::absent && fault != Fault::invalidText;
    start(fault == Fault::absent ? std::vector<std::string>{"--absent"}
                                 : std::vector<std::string>{});
    if (gatePassed) {
        passVersionGate();
    }

    bool storm = false;
    switch (fault) {
        case Fault::none:
        case Fault::absent:
            break;
        case Fault::permission: {
            // A node of mode 000 refuses everyone but root; for root, a sysfs attribute that is
            // read-only for all stands in.
            replaceNode([](const fs::path& p) { std::ofstream(p).close(); });
            ::chmod(node().c_str(), 0);
            if (::access(node().c_str(), W_OK) == 0) {
                const char* readOnly = "/sys/kernel/uevent_seqnum";
                const qv::UniqueFd probe(::open(readOnly, O_RDWR | O_CLOEXEC));
                if (probe.ok()) {
                    GTEST_SKIP() << "no node here refuses this user";
                }
                replaceNode([&](const fs::path& p) { fs::create_symlink(readOnly, p); });
            }
            break;
        }
        case Fault::directory:
            replaceNode([](const fs::path& p) { fs::create_directory(p); });
            break;
        case Fault::regularFile:
            replaceNode([](const fs::path& p) { std::ofstream(p).close(); });
            break;
        case Fault::writeRefused:
            replaceNode([](const fs::path& p) { fs::create_symlink("/dev/full", p); });
            break;
        case Fault::zeroReply:
            replaceNode([](const fs::path& p) { fs::create_symlink("/dev/zero", p); });
            break;
        case Fault::writeStalled:
            fillTheLine();
            break;
        case Fault::noReply:
            printer->control(controlLine(ControlWord::noReply, "1"));
            break;
        case Fault::signalsNoReply:
            printer->control(controlLine(ControlWord::noReply, "1"));
            storm = true;
            break;
        case Fault::lateReply:
            printer->control(controlLine(ControlWord::delay, "1500"));
            break;
        case Fault::length0:
            printer->control(controlLine(ControlWord::length, "0"));
            break;
        case Fault::length1:
            printer->control(controlLine(ControlWord::length, "1"));
            break;
        case Fault::length255:
            printer->control(controlLine(ControlWord::length, "255"));
            break;
        case Fault::wrongMarkerAck:
            printer->control(controlLine(ControlWord::wrongMarker, "1"));
            printer->control(controlLine(ControlWord::wrongAck, "1"));
            break;
        case Fault::invalidText:
            // Before the stray byte it reads as a firmware without acknowledgements.
            printer->control(controlLine(ControlWord::firmware,
                                         "V1.04 2024-03-02\xff"
                                         "V1.05"));
            break;
        case Fault::removedBetween:
            qv::device::install(std::make_shared<AfterFirstWrite>(qv::device::makeLinuxDevice(),
                                                                  [this] { fs::remove(node()); }));
            break;
        case Fault::signals:
            // Replies well within the wait, so that the signals meet every read while it waits.
            printer->control(controlLine(ControlWord::delay, "300"));
            storm = true;
            break;
    }

    auto& link = qv::linkState();
    link.lastKind = kKindNone;
    qv::setError(kEarlierCode);
    const std::size_t descriptors = openDescriptors();
    gSignals = 0;

    const auto begin = Clock::now();
    int32_t result = -1;
    {
        std::optional<SignalStorm> signals;
        if (storm) {
            signals.emplace();
            ASSERT_TRUE(signals->armed());
        }
        result = call(exported);
    }
    const auto elapsed = millisecondsSince(begin);

    const Expected expected = expectedFor(shape, fault);
    EXPECT_EQ(result, expected.result);
    EXPECT_EQ(BaseGetQVError(), expected.code);
    // A command that went out keeps the printer (its descriptor) for the acknowledgement it
    // awaits; everything else lets it go before returning.
    const bool sends = shape == Shape::command || shape == Shape::lackPaper ||
                       shape == Shape::download || shape == Shape::location;
    const bool holds =
        sends && result == 1 && (link.ackMode != qv::kAckNone || shape == Shape::download);
    EXPECT_EQ(openDescriptors(), descriptors + (holds ? 1 : 0)) << "a descriptor was left open";
    const bool reads =
        shape != Shape::command && shape != Shape::lackPaper && shape != Shape::download;
    if (storm && reads) {
        EXPECT_GT(gSignals, 0);
    }

    // The kind: recorded by the commands once they are past discovery, by the lack-paper
    // learning and the download always, by the location setting only when the printer is ready.
    int32_t kind = kKindNone;
    switch (shape) {
        case Shape::command:
        case Shape::result:
            kind = fault == Fault::absent ? kKindNone : kindOf(exported);
            break;
        case Shape::lackPaper:
        case Shape::download:
            kind = kindOf(exported);
            break;
        case Shape::location:
            kind = result == 1 ? kKindLocation : kKindNone;
            break;
        default:
            break;
    }
    EXPECT_EQ(link.lastKind, kind);

    // The gate: passed before the row, it stays passed (a download asks for it again); in the
    // rows that start before it, it has run exactly when a packet other than the version query
    // went towards the printer.
    bool pending = shape == Shape::download;
    int32_t mode = qv::kAckRead;
    if (!gatePassed) {
        const bool gateRan = fault == Fault::absent
                                 ? (shape == Shape::lackPaper || shape == Shape::download)
                                 : exported != Export::firmware;
        pending = pending || !gateRan;
        mode = qv::kAckUndetermined;  // no printer to ask, or a version that does not convert
    }
    EXPECT_EQ(link.versionCheckPending, pending);
    EXPECT_EQ(link.ackMode, mode);
    EXPECT_EQ(link.hasDevicePath(), fault != Fault::absent);
    if (exported == Export::firmware && fault == Fault::invalidText) {
        EXPECT_EQ(firmwareText, u"");
    }

    // Bounded waits: a stalled write gives up 5 s after its last progress, a read 1000 ms after
    // it began, signals or not.
    if (fault == Fault::writeStalled) {
        EXPECT_GE(elapsed, 5000);
        EXPECT_LT(elapsed, 10000);
    }
    if (fault == Fault::signalsNoReply && expected.result == 0) {
        EXPECT_GE(elapsed, 1000);
        EXPECT_LT(elapsed, 4000);
    }
    // The file that stood where the node was got nothing.
    if (fault == Fault::regularFile) {
        EXPECT_EQ(fs::file_size(node()), 0u);
    }
    // The next export, whatever it is, ends what the command kept.
    QVListPrinterPaths(nullptr, 0);
    EXPECT_EQ(openDescriptors(), descriptors) << "the next export left a descriptor open";
}

INSTANTIATE_TEST_SUITE_P(
    EveryExportAndFault, FaultMatrixTest,
    ::testing::Combine(::testing::Values(Export::type, Export::serial, Export::firmware,
                                         Export::status, Export::printedLength, Export::badPoint,
                                         Export::info, Export::connection, Export::setPrintSetting,
                                         Export::getPrintSetting, Export::userSetting,
                                         Export::factoryRestore, Export::location, Export::dumpMode,
                                         Export::lackPaperLearn, Export::settingResult,
                                         Export::textTest, Export::selfTest, Export::download),
                       ::testing::Values(Fault::none, Fault::absent, Fault::permission,
                                         Fault::directory, Fault::regularFile, Fault::writeRefused,
                                         Fault::writeStalled, Fault::noReply, Fault::lateReply,
                                         Fault::length0, Fault::length1, Fault::length255,
                                         Fault::zeroReply, Fault::wrongMarkerAck,
                                         Fault::invalidText, Fault::removedBetween, Fault::signals,
                                         Fault::signalsNoReply)),
    [](const ::testing::TestParamInfo<std::tuple<Export, Fault>>& info) {
        return exportName(std::get<0>(info.param)) + "_" + faultName(std::get<1>(info.param));
    });

}  // namespace
