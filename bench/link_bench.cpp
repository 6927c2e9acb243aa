// The link library's cost on the real device layer, against the pty-served printer or, with
// QV410_BENCH_DEVICE=/dev/usb/lpN, a printer node of the kernel's own driver:
//  - one status query through the library, beside the same bytes written and read directly on
//    the same node with one descriptor per exchange (open, write, read, close: the floor for a
//    library that takes and lets go the printer on each call, which should stay within 1.1x of
//    it) and with one descriptor kept open across exchanges (what the round trip alone costs);
//  - the wall time of a read that gets no reply (1000 ms wait, plus open and close; the pty
//    printer only, as it is told not to answer).
// Prints the figures of each case, then the ratios and the no-reply time (medians).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "QVSettingToolDll.h"
#include "bench_support.h"
#include "device/device.h"
#include "link_state.h"
#include "pty_printer_process.h"

namespace {

constexpr std::array<uint8_t, 6> kStatusQuery = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
constexpr int kReadWaitMs = 1000;

std::unique_ptr<qv::testing::PtyPrinterProcess> gPrinter;
std::string gDevicePath;

// The pty printer, or the node named by QV410_BENCH_DEVICE (the same library, no tree).
void startPrinter() {
    const char* node = std::getenv("QV410_BENCH_DEVICE");
    if (node == nullptr || *node == '\0') {
        gDevicePath = qv::bench::connectLibrary(gPrinter);
        return;
    }
    ::unsetenv("QV410_ROOT");
    ::setenv("QV410_DEVICE", node, 1);
    qv::resetLinkStateForTesting();
    qv::device::install(nullptr);
    int32_t status = -1;
    if (QVGetPrinterIsOK(&status) != 1) {
        throw std::runtime_error(std::string("the printer at ") + node +
                                 " does not answer: error " + std::to_string(BaseGetQVError()));
    }
    gDevicePath = node;
}

int openDevice(int extraFlags) {
    const int fd = ::open(gDevicePath.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | extraFlags);
    if (fd < 0) {
        throw std::runtime_error("open " + gDevicePath + ": " + std::strerror(errno));
    }
    return fd;
}

// One reply within the wait; the number of bytes, 0 when none came.
ssize_t readReply(int fd, std::array<uint8_t, 64>& reply) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, kReadWaitMs) <= 0) {
        return 0;
    }
    return ::read(fd, reply.data(), reply.size());
}

void StatusQuery_Library(benchmark::State& state) {
    int32_t status = -1;
    for (auto _ : state) {
        if (QVGetPrinterIsOK(&status) != 1) {
            state.SkipWithError("status query failed");
            break;
        }
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(StatusQuery_Library)->UseRealTime()->Unit(benchmark::kMicrosecond);

// One exchange on a descriptor: write the query, read the reply.
bool exchangeOn(int fd, std::array<uint8_t, 64>& reply) {
    const ssize_t written = ::write(fd, kStatusQuery.data(), kStatusQuery.size());
    reply.fill(0);
    const ssize_t n = readReply(fd, reply);
    return written == static_cast<ssize_t>(kStatusQuery.size()) && n >= 7;
}

// The query by hand with a descriptor of its own: open, write, poll, read, close.
bool directExchange(std::array<uint8_t, 64>& reply) {
    const int fd = openDevice(O_NONBLOCK);
    const bool ok = exchangeOn(fd, reply);
    ::close(fd);
    return ok;
}

void StatusQuery_DirectOpenPerExchange(benchmark::State& state) {
    std::array<uint8_t, 64> reply{};
    for (auto _ : state) {
        if (!directExchange(reply)) {
            state.SkipWithError("direct exchange failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(StatusQuery_DirectOpenPerExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The library, a descriptor per exchange and one kept open, alternated and each timed on its
// own, so that all three meet the same machine; the counters are the medians (robust to the odd
// late wake-up) and the library's ratios to each.
void StatusQuery_LibraryVsDirectPaired(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> library;
    std::vector<double> perExchange;
    std::vector<double> keptOpen;
    std::array<uint8_t, 64> reply{};
    int32_t status = -1;
    if (!gPrinter) {
        // The kernel's driver admits one opener at a time: nothing can be kept open beside the
        // library's own descriptor. The separate cases, interleaved, give the ratios there.
        state.SkipWithError("the node admits one opener at a time");
        return;
    }
    const int fd = openDevice(O_NONBLOCK);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool libraryOk = QVGetPrinterIsOK(&status) == 1;
        const auto t1 = Clock::now();
        const bool perExchangeOk = directExchange(reply);
        const auto t2 = Clock::now();
        const bool keptOpenOk = exchangeOn(fd, reply);
        const auto t3 = Clock::now();
        if (!libraryOk || !perExchangeOk || !keptOpenOk) {
            state.SkipWithError("exchange failed");
            break;
        }
        library.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        perExchange.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        keptOpen.push_back(std::chrono::duration<double, std::micro>(t3 - t2).count());
    }
    ::close(fd);
    if (library.empty()) {
        return;
    }
    auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double libraryUs = median(library);
    const double perExchangeUs = median(perExchange);
    const double keptOpenUs = median(keptOpen);
    state.counters["library_us"] = libraryUs;
    state.counters["per_exchange_us"] = perExchangeUs;
    state.counters["kept_open_us"] = keptOpenUs;
    state.counters["ratio_per_exchange"] = libraryUs / perExchangeUs;
    state.counters["ratio_kept_open"] = libraryUs / keptOpenUs;
}
BENCHMARK(StatusQuery_LibraryVsDirectPaired)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The pty round trip alone: one descriptor for all exchanges.
void StatusQuery_DirectKeptOpen(benchmark::State& state) {
    std::array<uint8_t, 64> reply{};
    const int fd = openDevice(O_NONBLOCK);
    for (auto _ : state) {
        if (!exchangeOn(fd, reply)) {
            state.SkipWithError("direct exchange failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    ::close(fd);
}
BENCHMARK(StatusQuery_DirectKeptOpen)->UseRealTime()->Unit(benchmark::kMicrosecond);

void NoReplyRead_Library(benchmark::State& state) {
    if (!gPrinter) {
        state.SkipWithError("a printer node cannot be told not to answer");
        return;
    }
    gPrinter->control("noreply 1");
    int32_t status = -1;
    for (auto _ : state) {
        if (QVGetPrinterIsOK(&status) != 0 || BaseGetQVError() != QV_ERR_READ_USB_FAIL) {
            state.SkipWithError("expected the read to fail with 53");
            break;
        }
    }
    gPrinter->control("noreply 0");
}
BENCHMARK(NoReplyRead_Library)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(2);

}  // namespace

int main(int argc, char** argv) {
    // Pty round trips ride on wake-ups and so on whatever else the machine does: the cases are
    // repeated and interleaved so that the ratio compares like with like. Flags given on the
    // command line come later and win.
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=9";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string minTime = "--benchmark_min_time=0.3";
    args.push_back(repetitions.data());
    args.push_back(interleave.data());
    args.push_back(minTime.data());
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    try {
        startPrinter();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    qv::bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double library = reporter.seconds("StatusQuery_Library");
    const double direct = reporter.seconds("StatusQuery_DirectOpenPerExchange");
    const double keptOpen = reporter.seconds("StatusQuery_DirectKeptOpen");
    const double noReply = reporter.seconds("NoReplyRead_Library");
    if (library > 0 && direct > 0) {
        std::printf(
            "status query: library / direct (one descriptor per exchange) = %.2fx "
            "(target <= 1.1x)\n",
            library / direct);
    }
    if (library > 0 && keptOpen > 0) {
        std::printf("status query: library / direct (kept open) = %.2fx\n", library / keptOpen);
    }
    const double pairedPerExchange = reporter.medianRatio("ratio_per_exchange");
    const double pairedKeptOpen = reporter.medianRatio("ratio_kept_open");
    if (pairedPerExchange > 0) {
        std::printf(
            "status query, alternated: library / one descriptor per exchange = %.2fx, "
            "library / kept open = %.2fx (medians of %zu runs)\n",
            pairedPerExchange, pairedKeptOpen, reporter.namedRatios["ratio_per_exchange"].size());
    }
    if (noReply > 0) {
        std::printf("no-reply read: %.1f ms (target 1000 to 1050 ms)\n", noReply * 1000);
    }
    gPrinter.reset();
    benchmark::Shutdown();
    return 0;
}
