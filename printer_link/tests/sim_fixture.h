// Every test starts as if the library had just been loaded, talking to a fresh simulated printer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "device/simulated_printer.h"
#include "link_state.h"

class SimPrinterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::resetLinkStateForTesting();
        printer = std::make_shared<qv::sim::SimulatedPrinter>();
        qv::device::install(printer);
    }
    void TearDown() override { qv::device::install(nullptr); }

    // The command packets the printer received, in order.
    std::vector<qv::sim::Bytes> commands() {
        std::vector<qv::sim::Bytes> out;
        for (const auto& r : printer->received()) {
            if (r.kind == qv::sim::Received::Kind::command) {
                out.push_back(r.bytes);
            }
        }
        return out;
    }
    qv::sim::Faults& faults() { return printer->faults(); }
    qv::sim::PrinterState& state() { return printer->state(); }
    // Runs the version gate now, so that later checks see only the packets of the test.
    void passVersionGate() {
        int32_t status = 0;
        ASSERT_EQ(QVGetPrinterIsOK(&status), 1);
        printer->clearReceived();
    }

    std::shared_ptr<qv::sim::SimulatedPrinter> printer;
};

inline qv::sim::Bytes bytesOf(std::initializer_list<int> values) {
    qv::sim::Bytes out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

inline std::u16string u16(const QVWCHAR* text) {
    return std::u16string(text);
}
