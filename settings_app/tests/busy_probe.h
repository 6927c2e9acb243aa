// A device in front of the simulated printer that notes, for every write and read, whether the
// busy cursor was showing at that moment.
#pragma once

#include <memory>
#include <utility>

#include "device/device.h"
#include "device/simulated_printer.h"
#include "ui/testing.h"

namespace test {

class BusyProbe : public qv::device::Device {
  public:
    explicit BusyProbe(std::shared_ptr<qv::sim::SimulatedPrinter> printer)
        : printer_(std::move(printer)) {}

    std::optional<std::string> find() override { return printer_->find(); }
    qv::device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                                  std::chrono::milliseconds wait) override {
        note();
        return printer_->write(path, bytes, wait);
    }
    qv::device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                                std::chrono::milliseconds wait, std::size_t& received) override {
        note();
        return printer_->read(path, buffer, wait, received);
    }

    int calls = 0;
    int callsWithoutBusyCursor = 0;

  private:
    void note() {
        ++calls;
        if (!ui::testing::busyCursorShown()) {
            ++callsWithoutBusyCursor;
        }
    }

    std::shared_ptr<qv::sim::SimulatedPrinter> printer_;
};

}  // namespace test
