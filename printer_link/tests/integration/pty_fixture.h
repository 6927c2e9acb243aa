// Every test starts as if the library had just been loaded, with the Linux device layer chosen
// from the environment, and a printer served on a pty by qv410-pty-printer.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "link_state.h"
#include "pty_printer_process.h"

class PtyPrinterTest : public ::testing::Test {
  protected:
    using Clock = std::chrono::steady_clock;

    void SetUp() override {
        ::unsetenv("QV410_DEVICE");
        ::unsetenv("QV410_ROOT");
        qv::resetLinkStateForTesting();
        qv::device::install(nullptr);
    }
    void TearDown() override {
        ::unsetenv("QV410_DEVICE");
        ::unsetenv("QV410_ROOT");
        qv::device::install(nullptr);
    }

    // Starts the printer tool and points the library at its tree.
    qv::testing::PtyPrinterProcess& start(const std::vector<std::string>& arguments = {}) {
        printer = std::make_unique<qv::testing::PtyPrinterProcess>(arguments);
        ::setenv("QV410_ROOT", printer->root().c_str(), 1);
        // The device layer is chosen at first use after install(): make it see the new root.
        qv::device::install(nullptr);
        return *printer;
    }

    // Runs the version gate now, so that later checks see only the packets of the test.
    void passVersionGate() {
        int32_t status = -1;
        ASSERT_EQ(QVGetPrinterIsOK(&status), 1) << "error " << BaseGetQVError();
        printer->clearReceived();
    }

    static std::string command(const std::string& hex) { return "command " + hex; }
    static std::vector<std::string> lines(std::initializer_list<std::string> items) {
        return items;
    }

    static long long millisecondsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    std::unique_ptr<qv::testing::PtyPrinterProcess> printer;
};

// The version query the gate sends before the first other packet.
inline const std::string kVersionQuery = "command 1f1b1a040103";
inline const std::string kStatusQuery = "command 1f1b1a040101";
