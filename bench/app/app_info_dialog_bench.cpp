// Opening the printer information dialog against the in-process simulated printer: window from
// the template, every text from the catalog, the identity and settings queries, showing it, and
// closing it again.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "app/catalog.h"
#include "device/device.h"
#include "device/simulated_printer.h"
#include "dialogs/show_printer_info_dlg.h"
#include "ui/message_loop.h"
#include "ui/testing.h"

namespace {

void BM_PrinterInfoDialog_Open(benchmark::State& state) {
    qv::device::install(std::make_shared<qv::sim::SimulatedPrinter>());
    app::bindCatalog();
    bool shown = false;
    // Shown, then closed as by its close box.
    ui::testing::setModalHook([&shown](ui::DialogBase&) { shown = true; });
    for (auto _ : state) {
        shown = false;
        CShowPrinterInfoDlg dlg;
        benchmark::DoNotOptimize(dlg.doModal(nullptr));
        if (!shown) {
            state.SkipWithError("the dialog was not shown");
            break;
        }
    }
    ui::testing::setModalHook(nullptr);
    ui::testing::processEvents();
}

BENCHMARK(BM_PrinterInfoDialog_Open)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);
    ui::initCommonControls();
    ui::appModule().init();
    ui::loadRichEditLibrary();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
