// Shared by the benchmarks that measure the library against the pty-served printer.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "link_state.h"
#include "pty_printer_process.h"

namespace qv::bench {

// Starts the printer, points the library's real device layer at it and passes the version gate,
// so that every measured call is the exchange itself. Returns the device path the library found.
inline std::string connectLibrary(std::unique_ptr<qv::testing::PtyPrinterProcess>& printer) {
    printer = std::make_unique<qv::testing::PtyPrinterProcess>();
    // Thousands of exchanges: nobody reads the tool's log here.
    printer->control("report 0");
    ::unsetenv("QV410_DEVICE");
    ::setenv("QV410_ROOT", printer->root().c_str(), 1);
    qv::resetLinkStateForTesting();
    qv::device::install(nullptr);
    int32_t status = -1;
    if (QVGetPrinterIsOK(&status) != 1 || status != 0) {
        throw std::runtime_error("the printer does not answer: error " +
                                 std::to_string(BaseGetQVError()));
    }
    return qv::linkState().devicePathString();
}

// Console output as usual, and the real time per iteration of each case kept for the summary
// (with any "ratio" counter the cases report).
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                times[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                            static_cast<double>(run.iterations));
                auto ratio = run.counters.find("ratio");
                if (ratio != run.counters.end()) {
                    pairedRatios.push_back(ratio->second.value);
                }
            }
        }
    }
    // The median when repeated, else the single figure; 0 when the case did not run.
    double seconds(const std::string& name) const {
        auto it = times.find(name);
        if (it == times.end() || it->second.empty()) {
            return 0;
        }
        auto values = it->second;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
    std::map<std::string, std::vector<double>> times;
    std::vector<double> pairedRatios;
};

}  // namespace qv::bench
