// The Set Printer dialog against the pty-served simulated printer, through the library's real
// device layer:
//  - one press of the print settings page's Set until its box is asked for (the box answered by
//    the test seam), beside the same two exchanges done by hand on the same pty (settings write
//    with its open and close, acknowledgement read with its open, wait and close); the program
//    should add at most 20 %;
//  - opening the Set Printer dialog (four pages, the settings read, shown, closed), beside
//    opening the printer information dialog in the same run.
// Prints the figures of each case, then the ratios (medians).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "app/catalog.h"
#include "bench_support.h"
#include "dialogs/printer_set_dlg.h"
#include "dialogs/show_printer_info_dlg.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace {

namespace uit = ui::testing;

// What Set sends for the page as it opens on the simulated printer's factory settings.
constexpr std::array<uint8_t, 20> kSettingsWrite = {
    0x1F, 0x1B, 0x1A, 0x00, 0x0F, 0, 1, 0x90, 0x01, 1, 1, 0, 0, 5, 8, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, 6> kSettingsAck = {0x1F, 0x1B, 0x1A, 0x00, 0x01, 0x01};
constexpr int kReadWaitMs = 1000;

std::unique_ptr<qv::testing::PtyPrinterProcess> gPrinter;
std::string gDevicePath;

int openDevice(int extraFlags) {
    const int fd = ::open(gDevicePath.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | extraFlags);
    if (fd < 0) {
        throw std::runtime_error("open " + gDevicePath + ": " + std::strerror(errno));
    }
    return fd;
}

// The two exchanges of one Set, by hand, as the library makes them: open, write, close; open,
// wait for the reply, read, close. True when the printer acknowledged.
bool setByHand() {
    int fd = openDevice(0);
    const ssize_t written = ::write(fd, kSettingsWrite.data(), kSettingsWrite.size());
    ::close(fd);
    fd = openDevice(O_NONBLOCK);
    std::array<uint8_t, 64> reply{};
    pollfd pfd{fd, POLLIN, 0};
    ssize_t n = 0;
    if (::poll(&pfd, 1, kReadWaitMs) > 0) {
        n = ::read(fd, reply.data(), reply.size());
    }
    ::close(fd);
    return written == static_cast<ssize_t>(kSettingsWrite.size()) &&
           n >= static_cast<ssize_t>(kSettingsAck.size()) &&
           std::equal(kSettingsAck.begin(), kSettingsAck.end(), reply.begin());
}

// Runs body while a Set Printer dialog is shown; the boxes it brings are answered at once, and
// lastBox is the caption of the latest.
std::u16string gLastBox;
void withSetPrinter(const std::function<void()>& body) {
    uit::setMessageBoxHook([](const uit::MessageBoxCall& call) { gLastBox = call.caption; });
    uit::setModalHook([&body](ui::DialogBase&) { body(); });
    CPrinterSetDlg dlg;
    dlg.doModal(nullptr);
    uit::setModalHook(nullptr);
    uit::setMessageBoxHook(nullptr);
    uit::processEvents();
}

// One press of Set until its box is asked for; true when that box said the settings were
// applied.
bool pressSet(ui::DialogBase& page) {
    gLastBox.clear();
    return uit::click(page, IDC_BUTTON_PRINT_SETTING_SET) && gLastBox == u"INFO";
}

void SetPress_Program(benchmark::State& state) {
    withSetPrinter([&state] {
        ui::DialogBase* page = uit::findDialog(IDD_PRINT_SETTING);
        while (state.KeepRunning()) {
            if (page == nullptr || !pressSet(*page)) {
                state.SkipWithError("Set was not acknowledged");
                break;
            }
        }
    });
}
BENCHMARK(SetPress_Program)->UseRealTime()->Unit(benchmark::kMicrosecond);

void SetPress_ByHand(benchmark::State& state) {
    while (state.KeepRunning()) {
        if (!setByHand()) {
            state.SkipWithError("the exchange by hand failed");
            break;
        }
    }
}
BENCHMARK(SetPress_ByHand)->UseRealTime()->Unit(benchmark::kMicrosecond);

double median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Program and hand alternated, each timed on its own, so that both meet the same machine.
void SetPress_ProgramVsByHandPaired(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> program;
    std::vector<double> byHand;
    withSetPrinter([&] {
        ui::DialogBase* page = uit::findDialog(IDD_PRINT_SETTING);
        while (state.KeepRunning()) {
            const auto t0 = Clock::now();
            const bool programOk = page != nullptr && pressSet(*page);
            const auto t1 = Clock::now();
            const bool handOk = setByHand();
            const auto t2 = Clock::now();
            if (!programOk || !handOk) {
                state.SkipWithError("an exchange failed");
                break;
            }
            program.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            byHand.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        }
    });
    if (program.empty()) {
        return;
    }
    const double programUs = median(program);
    const double handUs = median(byHand);
    state.counters["program_us"] = programUs;
    state.counters["by_hand_us"] = handUs;
    state.counters["ratio"] = programUs / handUs;
}
BENCHMARK(SetPress_ProgramVsByHandPaired)->UseRealTime()->Unit(benchmark::kMicrosecond);

void OpenDialog_SetPrinter(benchmark::State& state) {
    while (state.KeepRunning()) {
        bool shown = false;
        gLastBox.clear();
        withSetPrinter([&shown] { shown = uit::findDialog(IDD_PRINT_SETTING) != nullptr; });
        if (!shown || !gLastBox.empty()) {
            state.SkipWithError("the dialog did not open cleanly");
            break;
        }
    }
}
BENCHMARK(OpenDialog_SetPrinter)->UseRealTime()->Unit(benchmark::kMillisecond);

void OpenDialog_PrinterInfo(benchmark::State& state) {
    bool shown = false;
    uit::setModalHook([&shown](ui::DialogBase&) { shown = true; });
    while (state.KeepRunning()) {
        shown = false;
        CShowPrinterInfoDlg dlg;
        benchmark::DoNotOptimize(dlg.doModal(nullptr));
        if (!shown) {
            state.SkipWithError("the dialog was not shown");
            break;
        }
    }
    uit::setModalHook(nullptr);
    uit::processEvents();
}
BENCHMARK(OpenDialog_PrinterInfo)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);
    ui::initCommonControls();
    ui::appModule().init();
    ui::loadRichEditLibrary();
    // Pty round trips ride on wake-ups: the cases are repeated and interleaved so that the
    // ratios compare like with like. Flags given on the command line come later and win.
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
        gDevicePath = qv::bench::connectLibrary(gPrinter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    app::bindCatalog();
    qv::bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double program = reporter.seconds("SetPress_Program");
    const double byHand = reporter.seconds("SetPress_ByHand");
    const double openSet = reporter.seconds("OpenDialog_SetPrinter");
    const double openInfo = reporter.seconds("OpenDialog_PrinterInfo");
    if (program > 0 && byHand > 0) {
        std::printf("Set press: program / by hand = %.2fx (target <= 1.2x)\n", program / byHand);
    }
    if (!reporter.pairedRatios.empty()) {
        auto ratios = reporter.pairedRatios;
        std::sort(ratios.begin(), ratios.end());
        std::printf("Set press, alternated: program / by hand = %.2fx (median of %zu runs)\n",
                    ratios[ratios.size() / 2], ratios.size());
    }
    if (openSet > 0 && openInfo > 0) {
        std::printf("opening: Set Printer %.2f ms, printer information %.2f ms\n", openSet * 1000,
                    openInfo * 1000);
    }
    gPrinter.reset();
    benchmark::Shutdown();
    return 0;
}
