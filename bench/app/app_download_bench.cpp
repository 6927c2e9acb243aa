// Firmware download through the download dialog: Select Firmware answered with a 1 MiB file,
// then Update pressed on the firmware page (BaseDownloadFirmware, GetSettingResult, the box),
// against the pty-served printer; beside it the same packet written by hand to the same pty and
// the answer read the same way. Targets: the press at most 1.1x the time by hand, and the
// press's peak memory at most the file size + 8 MiB above the resident set before it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "app/catalog.h"
#include "bench_support.h"
#include "dialogs/download_dlg.h"
#include "pty_printer_process.h"
#include "text/codepage.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace {

namespace fs = std::filesystem;
namespace uit = ui::testing;

constexpr std::size_t kImageSize = 1u << 20;
constexpr int kReadWaitMs = 1000;

std::unique_ptr<qv::testing::PtyPrinterProcess> gPrinter;
std::string gDevicePath;
fs::path gDirectory;
fs::path gImagePath;
std::vector<uint8_t> gPacket;  // the download packet, for the writes by hand

void writeImage() {
    gDirectory =
        fs::temp_directory_path() / ("qv-app-download-bench-" + std::to_string(::getpid()));
    fs::create_directories(gDirectory);
    gImagePath = gDirectory / "firmware.bin";
    std::vector<uint8_t> image(kImageSize);
    std::mt19937 random(410);
    std::generate(image.begin(), image.end(), [&random] { return static_cast<uint8_t>(random()); });
    std::ofstream out(gImagePath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(kImageSize));
    if (!out) {
        throw std::runtime_error("cannot write " + gImagePath.string());
    }
    const auto n = static_cast<uint32_t>(kImageSize);
    gPacket = {0x1F,
               0x75,
               static_cast<uint8_t>(n >> 24),
               static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 8),
               static_cast<uint8_t>(n)};
    gPacket.insert(gPacket.end(), image.begin(), image.end());
}

// The packet written as the device layer writes it (open, write all, close), and the answer
// read as the library reads it (open, poll up to 1000 ms, read 64, close).
bool downloadByHand() {
    int fd = ::open(gDevicePath.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    std::size_t done = 0;
    while (fd >= 0 && done < gPacket.size()) {
        const ssize_t w = ::write(fd, gPacket.data() + done, gPacket.size() - done);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    fd = ::open(gDevicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    std::array<uint8_t, 64> reply{};
    pollfd pfd{fd, POLLIN, 0};
    static constexpr uint8_t kAnswer[] = {0x1F, 0x75, 0x01, 0x01, 0x01};
    const bool answered = fd >= 0 && ::poll(&pfd, 1, kReadWaitMs) > 0 &&
                          ::read(fd, reply.data(), reply.size()) >= 5 &&
                          std::equal(std::begin(kAnswer), std::end(kAnswer), reply.begin());
    if (fd >= 0) {
        ::close(fd);
    }
    return done == gPacket.size() && answered;
}

// Opens the download dialog, chooses the file through the open-file dialog and hands the
// firmware page to f while the dialog is shown. Every box is recorded in boxes.
void withFirmwarePage(const std::function<void(ui::DialogBase& page)>& f,
                      std::vector<uit::MessageBoxCall>& boxes) {
    uit::setMessageBoxHook([&boxes](const uit::MessageBoxCall& call) { boxes.push_back(call); });
    uit::setOpenFileHook([](const uit::OpenFileCall&) {
        return std::optional<std::u16string>(qv::text::fromUtf8(gImagePath.string()));
    });
    uit::setModalHook([&f](ui::DialogBase&) {
        ui::DialogBase* page = uit::findDialog(IDD_PROGRAM_TAB);
        if (page != nullptr && uit::click(*page, IDC_PROGRAM_BUTTON_OPEN)) {
            f(*page);
        }
    });
    CDownloadDlg dlg;
    dlg.doModal(nullptr);
    uit::setModalHook(nullptr);
    uit::setOpenFileHook(nullptr);
    uit::setMessageBoxHook(nullptr);
    uit::processEvents();
}

// One press of Update; true when it ended in the success box.
bool pressUpdate(ui::DialogBase& page, std::vector<uit::MessageBoxCall>& boxes) {
    const std::size_t before = boxes.size();
    return uit::click(page, IDC_PROGRAM_BUTTON_UPDATE) && boxes.size() == before + 1 &&
           boxes.back().caption == u"INFO";
}

void Download_Dialog(benchmark::State& state) {
    std::vector<uit::MessageBoxCall> boxes;
    bool ran = false;
    withFirmwarePage(
        [&](ui::DialogBase& page) {
            ran = true;
            for (auto _ : state) {
                if (!pressUpdate(page, boxes)) {
                    state.SkipWithError("Update did not end in the success box");
                    break;
                }
            }
        },
        boxes);
    if (!ran) {
        state.SkipWithError("the firmware page was not shown");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gPacket.size()));
}

void Download_ByHand(benchmark::State& state) {
    for (auto _ : state) {
        if (!downloadByHand()) {
            state.SkipWithError("download by hand failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gPacket.size()));
}

// The load of a shared machine drifts: each iteration times one press and one download by hand
// back to back (their order alternating) and keeps the ratio press / by hand. The time
// reported is the press's.
std::vector<double> gPairedRatios;

void Download_Paired(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    std::vector<uit::MessageBoxCall> boxes;
    withFirmwarePage(
        [&](ui::DialogBase& page) {
            bool dialogFirst = true;
            for (auto _ : state) {
                std::chrono::duration<double> dialog{};
                std::chrono::duration<double> byHand{};
                bool ok = true;
                for (int i = 0; i < 2; ++i) {
                    const bool runDialog = (i == 0) == dialogFirst;
                    const auto start = Clock::now();
                    ok = ok && (runDialog ? pressUpdate(page, boxes) : downloadByHand());
                    (runDialog ? dialog : byHand) = Clock::now() - start;
                }
                if (!ok) {
                    state.SkipWithError("download failed");
                    break;
                }
                state.SetIterationTime(dialog.count());
                gPairedRatios.push_back(dialog / byHand);
                dialogFirst = !dialogFirst;
            }
        },
        boxes);
}

BENCHMARK(Download_Dialog)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3);
BENCHMARK(Download_ByHand)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3);
BENCHMARK(Download_Paired)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// Peak resident memory of one press of Update, measured before anything else big is allocated:
// the dialog is open and the file chosen; the high-water mark is reset just before the press.
void measurePeakMemory() {
    std::vector<uit::MessageBoxCall> boxes;
    long before = 0;
    long peak = 0;
    bool reset = false;
    bool ok = false;
    withFirmwarePage(
        [&](ui::DialogBase& page) {
            // The first press: nothing of an earlier download is left to reuse.
            reset = qv::bench::resetPeakMemory();
            before = qv::bench::statusKiB("VmRSS");
            ok = pressUpdate(page, boxes);
            peak = qv::bench::statusKiB("VmHWM");
        },
        boxes);
    const double fileMiB = static_cast<double>(kImageSize) / (1 << 20);
    std::printf("peak memory: press %s; resident before %.1f MiB, peak %.1f MiB%s\n",
                ok ? "ok" : "FAILED", static_cast<double>(before) / 1024.0,
                static_cast<double>(peak) / 1024.0,
                reset ? "" : " (high-water mark not reset: peak of the whole process)");
    std::printf(
        "peak memory: %.1f MiB above the resident set before the press, for a %.0f MiB file "
        "(target <= file size + 8 MiB = %.0f MiB)\n",
        static_cast<double>(peak - before) / 1024.0, fileMiB, fileMiB + 8);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);
    ui::initCommonControls();
    ui::appModule().init();
    ui::loadRichEditLibrary();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    int rc = 0;
    try {
        gDevicePath = qv::bench::connectLibrary(gPrinter);
        app::bindCatalog();
        writeImage();
        measurePeakMemory();
        qv::bench::RecordingReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const double mib = static_cast<double>(gPacket.size()) / (1 << 20);
        const double dialog = reporter.seconds("Download_Dialog");
        const double byHand = reporter.seconds("Download_ByHand");
        if (dialog > 0 && byHand > 0) {
            std::printf("throughput (medians): dialog %.0f MiB/s, by hand %.0f MiB/s\n",
                        mib / dialog, mib / byHand);
        }
        if (!gPairedRatios.empty()) {
            std::sort(gPairedRatios.begin(), gPairedRatios.end());
            std::printf(
                "time of a press / time by hand, paired: median %.2fx, range %.2fx to %.2fx "
                "over %zu pairs (target <= 1.1x)\n",
                gPairedRatios[gPairedRatios.size() / 2], gPairedRatios.front(),
                gPairedRatios.back(), gPairedRatios.size());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        rc = 1;
    }
    gPrinter.reset();
    std::error_code ignored;
    fs::remove_all(gDirectory, ignored);
    benchmark::Shutdown();
    return rc;
}
