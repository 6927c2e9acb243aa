// Firmware download of a 64 MiB file to the pty-served printer:
//  - the library (BaseDownloadFirmware, then GetSettingResult for the printer's answer) beside
//    the same packet written directly to the same device and the answer read the same way;
//    target: the library's throughput at least 0.9x the direct one;
//  - the download's peak resident memory; target: at most the file size + 8 MiB.
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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "bench_support.h"
#include "device/device.h"
#include "link_state.h"
#include "pty_printer_process.h"
#include "text/codepage.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kImageSize = 64u << 20;
constexpr std::size_t kHeadSize = 6;
constexpr int kReadWaitMs = 1000;

std::unique_ptr<qv::testing::PtyPrinterProcess> gPrinter;
std::string gDevicePath;
fs::path gDirectory;
fs::path gImagePath;
std::u16string gImagePathWide;

// Written in small pieces, so that making the file leaves nothing big resident.
void writeImage() {
    gDirectory = fs::temp_directory_path() / ("qv-firmware-bench-" + std::to_string(::getpid()));
    fs::create_directories(gDirectory);
    gImagePath = gDirectory / "firmware.bin";
    std::ofstream out(gImagePath, std::ios::binary);
    std::mt19937 random(410);
    std::vector<uint32_t> chunk(1u << 16);
    for (std::size_t written = 0; written < kImageSize; written += chunk.size() * 4) {
        std::generate(chunk.begin(), chunk.end(), std::ref(random));
        out.write(reinterpret_cast<const char*>(chunk.data()),
                  static_cast<std::streamsize>(chunk.size() * 4));
    }
    if (!out) {
        throw std::runtime_error("cannot write " + gImagePath.string());
    }
    gImagePathWide = qv::text::fromUtf8(gImagePath.string());
}

void startPrinter() {
    gDevicePath = qv::bench::connectLibrary(gPrinter);
}

bool isDownloadAnswer(const std::array<uint8_t, 64>& reply) {
    static constexpr uint8_t kAnswer[] = {0x1F, 0x75, 0x01, 0x01, 0x01};
    return std::equal(std::begin(kAnswer), std::end(kAnswer), reply.begin());
}

bool libraryDownload() {
    return BaseDownloadFirmware(gImagePathWide.c_str()) == 1 && GetSettingResult() == 1;
}

// The packet the library sends, built once in memory for the direct writes.
std::vector<uint8_t> gPacket;

void buildPacket() {
    gPacket.assign(kHeadSize + kImageSize, 0);
    std::ifstream in(gImagePath, std::ios::binary);
    in.read(reinterpret_cast<char*>(gPacket.data() + kHeadSize),
            static_cast<std::streamsize>(kImageSize));
    const auto n = static_cast<uint32_t>(kImageSize);
    gPacket[0] = 0x1F;
    gPacket[1] = 0x75;
    gPacket[2] = static_cast<uint8_t>(n >> 24);
    gPacket[3] = static_cast<uint8_t>(n >> 16);
    gPacket[4] = static_cast<uint8_t>(n >> 8);
    gPacket[5] = static_cast<uint8_t>(n);
}

// The packet written as the device layer writes it (open, write all, close), and the answer
// read as the library reads it (open, poll up to 1000 ms, read 64, close).
bool directDownload() {
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
    const bool answered = fd >= 0 && ::poll(&pfd, 1, kReadWaitMs) > 0 &&
                          ::read(fd, reply.data(), reply.size()) >= 5 && isDownloadAnswer(reply);
    if (fd >= 0) {
        ::close(fd);
    }
    return done == gPacket.size() && answered;
}

void Download_Library(benchmark::State& state) {
    for (auto _ : state) {
        if (!libraryDownload()) {
            state.SkipWithError("library download failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (kHeadSize + kImageSize)));
}

void Download_Direct(benchmark::State& state) {
    for (auto _ : state) {
        if (!directDownload()) {
            state.SkipWithError("direct download failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gPacket.size()));
}

// On a shared machine the load drifts over seconds: each iteration times one library download
// and one direct download back to back (their order alternating) and keeps the ratio of the
// two, direct time over library time. The reported time is the library's.
std::vector<double> gPairedRatios;

void Download_Paired(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    bool libraryFirst = true;
    for (auto _ : state) {
        std::chrono::duration<double> library{};
        std::chrono::duration<double> direct{};
        bool ok = true;
        for (int i = 0; i < 2; ++i) {
            const bool runLibrary = (i == 0) == libraryFirst;
            const auto start = Clock::now();
            ok = ok && (runLibrary ? libraryDownload() : directDownload());
            (runLibrary ? library : direct) = Clock::now() - start;
        }
        if (!ok) {
            state.SkipWithError("download failed");
            break;
        }
        state.SetIterationTime(library.count());
        gPairedRatios.push_back(direct / library);
        libraryFirst = !libraryFirst;
    }
}

BENCHMARK(Download_Library)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(5);
BENCHMARK(Download_Direct)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(5);
BENCHMARK(Download_Paired)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);

// Peak resident memory of one download, taken before the benchmarks allocate anything big: the
// high-water mark is reset first where the kernel allows it.
void measurePeakMemory() {
    const bool reset = qv::bench::resetPeakMemory();
    const long before = qv::bench::statusKiB("VmRSS");
    const bool ok = BaseDownloadFirmware(gImagePathWide.c_str()) == 1 && GetSettingResult() == 1;
    const long peak = qv::bench::statusKiB("VmHWM");
    if (!ok) {
        std::printf("peak memory: the download failed with error %d\n", BaseGetQVError());
    }
    const double fileMiB = static_cast<double>(kImageSize) / (1 << 20);
    std::printf("peak memory: download %s; resident before %.1f MiB, peak %.1f MiB%s\n",
                ok ? "ok" : "FAILED", before / 1024.0, peak / 1024.0,
                reset ? "" : " (high-water mark not reset: peak of the whole process)");
    std::printf(
        "peak memory: %.1f MiB above the resident set before, for a %.0f MiB file "
        "(target <= file size + 8 MiB = %.0f MiB)\n",
        (peak - before) / 1024.0, fileMiB, fileMiB + 8);
}

}  // namespace

int main(int argc, char** argv) {
    // Interleaving by default; a flag given on the command line comes later and wins.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    argc = static_cast<int>(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    int rc = 0;
    try {
        writeImage();
        startPrinter();
        measurePeakMemory();
        buildPacket();
        qv::bench::RecordingReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const double mib = static_cast<double>(kHeadSize + kImageSize) / (1 << 20);
        const double library = reporter.seconds("Download_Library");
        const double direct = reporter.seconds("Download_Direct");
        if (library > 0 && direct > 0) {
            std::printf("throughput (medians): library %.0f MiB/s, direct %.0f MiB/s\n",
                        mib / library, mib / direct);
        }
        if (!gPairedRatios.empty()) {
            std::sort(gPairedRatios.begin(), gPairedRatios.end());
            std::printf(
                "throughput ratio library / direct, paired: median %.2fx, range %.2fx to "
                "%.2fx over %zu pairs (target >= 0.9x)\n",
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
