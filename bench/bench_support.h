// Shared by the benchmarks that measure the library against the pty-served printer.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
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

// A value of /proc/self/status in KiB ("VmHWM", "VmRSS"), 0 when absent.
inline long statusKiB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return 0;
}

// Resets the process's resident high-water mark (VmHWM); false where the kernel does not allow it.
inline bool resetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

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
// (with any "ratio" or "ratio_<what>" counter the cases report).
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                times[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                            static_cast<double>(run.iterations));
                for (const auto& [name, counter] : run.counters) {
                    if (name == "ratio") {
                        pairedRatios.push_back(counter.value);
                    } else if (name.rfind("ratio_", 0) == 0) {
                        namedRatios[name].push_back(counter.value);
                    }
                }
            }
        }
    }
    // The median when repeated, else the single figure; 0 when the case did not run.
    double seconds(const std::string& name) const { return median(times, name); }
    // The median of a ratio counter over the runs; 0 when none reported it.
    double medianRatio(const std::string& name) const { return median(namedRatios, name); }
    static double median(const std::map<std::string, std::vector<double>>& figures,
                         const std::string& name) {
        auto it = figures.find(name);
        if (it == figures.end() || it->second.empty()) {
            return 0;
        }
        auto values = it->second;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
    std::map<std::string, std::vector<double>> times;
    std::vector<double> pairedRatios;
    std::map<std::string, std::vector<double>> namedRatios;
};

}  // namespace qv::bench
