// Nothing thrown below an export reaches its caller: every export turns it into a zero return and
// a code, the transport's own where it happened during I/O.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "sim_fixture.h"

namespace {

// Passes everything to the simulated printer, but throws from the operation named.
class ThrowingDevice : public qv::device::Device {
  public:
    enum class Where { nowhere, find, write, read };
    explicit ThrowingDevice(std::shared_ptr<qv::sim::SimulatedPrinter> printer)
        : printer_(std::move(printer)) {}

    std::optional<std::string> find() override {
        maybeThrow(Where::find);
        return printer_->find();
    }
    qv::device::WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                                  std::chrono::milliseconds wait) override {
        maybeThrow(Where::write);
        return printer_->write(path, bytes, wait);
    }
    qv::device::ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                                std::chrono::milliseconds wait, std::size_t& received) override {
        maybeThrow(Where::read);
        return printer_->read(path, buffer, wait, received);
    }

    Where where = Where::nowhere;
    bool badAlloc = true;

  private:
    void maybeThrow(Where here) const {
        if (here != where) {
            return;
        }
        if (badAlloc) {
            throw std::bad_alloc();
        }
        throw std::runtime_error("device failure");
    }
    std::shared_ptr<qv::sim::SimulatedPrinter> printer_;
};

class ExportBarrierTest : public SimPrinterTest {
  protected:
    void SetUp() override {
        SimPrinterTest::SetUp();
        device = std::make_shared<ThrowingDevice>(printer);
        qv::device::install(device);
    }
    std::shared_ptr<ThrowingDevice> device;
};

TEST_F(ExportBarrierTest, FailedDiscoveryGivesCodeFifty) {
    device->where = ThrowingDevice::Where::find;
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_EQ(QVRestoreFactorySettings(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
}

TEST_F(ExportBarrierTest, ThrowingWriteAndReadGiveTheTransportCodes) {
    passVersionGate();
    for (const bool badAlloc : {true, false}) {
        SCOPED_TRACE(badAlloc ? "bad_alloc" : "another exception");
        device->badAlloc = badAlloc;
        device->where = ThrowingDevice::Where::write;
        EXPECT_EQ(QVSetDumpMode(1), 0);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_WRITE_USB_FAIL);
        uint8_t buzzer = 1;
        EXPECT_EQ(QVSetUserDefSetting(&buzzer), 0);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_WRITE_USB_FAIL);

        device->where = ThrowingDevice::Where::read;
        int32_t status = -1;
        EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
        EXPECT_EQ(status, -1);
        EXPECT_EQ(USBCheckConnection(), 0);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
        EXPECT_EQ(GetSettingResult(), 0);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_BEYOND_MAX_TIME);
    }
}

// The gate's version query failing by an exception counts as a version not obtained; the packet
// behind it still goes out.
TEST_F(ExportBarrierTest, ThrowingReadDuringTheGateLeavesTheModeUndetermined) {
    device->where = ThrowingDevice::Where::read;
    EXPECT_EQ(QVSetDumpMode(1), 1);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckUndetermined);
    EXPECT_FALSE(qv::linkState().versionCheckPending);
    EXPECT_EQ(commands().back(), bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x02, 0x02, 0x01}));
}

}  // namespace
