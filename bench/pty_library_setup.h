// Shared by the benchmarks that measure the library against the pty-served printer.
#pragma once

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

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

}  // namespace qv::bench
