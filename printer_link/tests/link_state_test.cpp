// The link state: discovery caching, the firmware-version gate, the transport's error codes.
#include <gtest/gtest.h>

#include "packets.h"
#include "sim_fixture.h"

namespace {

const qv::sim::Bytes kVersionQuery = bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x03});
const qv::sim::Bytes kStatusQuery = bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01});

using LinkStateTest = SimPrinterTest;

TEST_F(LinkStateTest, VersionGate_FirstCommandAsksForTheVersionFirstAndOnlyOnce) {
    int32_t status = -1;
    ASSERT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(commands(), (std::vector<qv::sim::Bytes>{kVersionQuery, kStatusQuery}));
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckRead);
    EXPECT_FALSE(qv::linkState().versionCheckPending);

    printer->clearReceived();
    ASSERT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(commands(), (std::vector<qv::sim::Bytes>{kStatusQuery}));
    EXPECT_EQ(BaseGetQVError(), 0);
}

TEST_F(LinkStateTest, VersionGate_SilentFirmwareRecords55AndModeOneButStillSends) {
    printer->with(
        [](qv::sim::PrinterEngine& e) { e.runFirmware(qv::sim::kSilentFirmware, false); });
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckNone);
    EXPECT_EQ(commands().back(), kStatusQuery);
}

TEST_F(LinkStateTest, VersionGate_TheVersionQueryItselfNeverRunsTheGate) {
    QVWCHAR version[64] = {};
    ASSERT_EQ(QVGetPrinterFirmwareVer(version), 1);
    EXPECT_EQ(u16(version), u"V1.05 2025-11-10");
    EXPECT_EQ(commands(), (std::vector<qv::sim::Bytes>{kVersionQuery}));
    EXPECT_TRUE(qv::linkState().versionCheckPending);
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckUndetermined);
}

TEST_F(LinkStateTest, VersionGate_SilentPrinterLeavesModeZeroAndStillSendsThePacket) {
    faults().noReply = true;
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(commands(), (std::vector<qv::sim::Bytes>{kVersionQuery, kStatusQuery}));
    EXPECT_FALSE(qv::linkState().versionCheckPending);
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckUndetermined);
    EXPECT_EQ(status, -1);
}

TEST_F(LinkStateTest, VersionGate_FailedVersionQueryKeepsItsOwnCodeWhileTheCommandSucceeds) {
    faults().noReply = true;
    // The version reply carries a length byte of 0; the status reply is fine.
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x00}));
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x02, 0x01, 0x08}));
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(status, 8);
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckUndetermined);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
}

TEST_F(LinkStateTest, FirmwarePacketSetsThePendingFlagForTheNextPacket) {
    passVersionGate();
    const qv::sim::Bytes firmware = bytesOf({0x1F, 0x75, 0x00, 0x00, 0x00, 0x02, 0xAA, 0xBB});
    EXPECT_TRUE(qv::sendPacket(firmware));
    EXPECT_TRUE(qv::linkState().versionCheckPending);
    qv::Reply ack{};
    std::size_t count = ack.size();
    ASSERT_TRUE(qv::readDevice(ack, count));  // the printer's answer to the download
    EXPECT_EQ(ack[1], 0x75);
    printer->clearReceived();

    int32_t status = 0;
    ASSERT_EQ(QVGetPrinterIsOK(&status), 1);
    const auto sent = commands();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], kVersionQuery);
}

TEST_F(LinkStateTest, FirmwarePacketAsFirstPacketRunsTheGateBeforeItAndArmsItAgain) {
    const qv::sim::Bytes firmware = bytesOf({0x1F, 0x75, 0x00, 0x00, 0x00, 0x01, 0x42});
    ASSERT_TRUE(qv::ensurePrinterPath());
    EXPECT_TRUE(qv::sendPacket(firmware));
    const auto log = printer->received();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].bytes, kVersionQuery);
    EXPECT_EQ(log[1].kind, qv::sim::Received::Kind::firmware);
    EXPECT_TRUE(qv::linkState().versionCheckPending);
}

TEST_F(LinkStateTest, NoPrinter_QueriesFailWith50AndSendNothing) {
    faults().absent = true;
    int32_t status = 7;
    QVWCHAR text[64] = {u'x'};
    PrinterInfo info{};
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_EQ(QVGetPrinterType(text), 0);
    EXPECT_EQ(QVGetPrinterInfo(&info), 0);
    EXPECT_EQ(USBCheckConnection(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_EQ(status, 7);
    EXPECT_EQ(text[0], u'x');
    EXPECT_TRUE(printer->received().empty());
}

TEST_F(LinkStateTest, DevicePath_FoundOnceAndKeptWhenThePrinterGoesAway) {
    faults().absent = true;
    int32_t status = 0;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_FALSE(qv::linkState().hasDevicePath());

    // Plugged in: discovery runs again because the path is still empty.
    faults().absent = false;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(qv::linkState().devicePathString(), qv::sim::SimulatedPrinter::kPath);

    // Unplugged: the kept path no longer opens.
    faults().unopenable = true;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(qv::linkState().devicePathString(), qv::sim::SimulatedPrinter::kPath);
}

TEST_F(LinkStateTest, WriteWithoutDevicePathFailsWith51) {
    faults().absent = true;
    const auto packet = qv::packet::command(0x02, {0x02});
    // The gate's version query finds no printer (50), then the write's 51 replaces it.
    EXPECT_FALSE(qv::sendPacket(packet.span()));
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
}

TEST_F(LinkStateTest, ShortWriteIs52ForTheWriteAnd53ForAQuery) {
    passVersionGate();
    faults().shortWrite = true;
    const auto packet = qv::packet::command(0x04, {0x01});
    EXPECT_FALSE(qv::writeDevice(packet.span()));
    EXPECT_EQ(BaseGetQVError(), QV_ERR_WRITE_USB_FAIL);

    // Queries read even after a failed send, so the read's error is what remains.
    int32_t status = 0;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
}

TEST_F(LinkStateTest, LastErrorSurvivesLaterSuccess) {
    faults().unopenable = true;
    int32_t status = 0;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    faults().unopenable = false;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);  // reading does not clear it
}

TEST_F(LinkStateTest, LateReplyIsMissedByTheReadAndEndsAs53) {
    passVersionGate();
    faults().replyDelay = std::chrono::milliseconds(1500);
    int32_t status = 3;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(status, 3);
}

TEST(FirmwareVersionEvaluation, DigitsAtFifteenthThirteenthAndTwelfthFromTheEndDecide) {
    using qv::packet::evaluateFirmwareVersion;
    EXPECT_EQ(evaluateFirmwareVersion("V1.04 2024-03-02"), 2);
    EXPECT_EQ(evaluateFirmwareVersion("V1.05 2025-11-10"), 1);
    EXPECT_EQ(evaluateFirmwareVersion("V2.00 2026-01-01"), 1);
    // The 14th character from the end is not looked at.
    EXPECT_EQ(evaluateFirmwareVersion("V1x05 2025-11-10"), 1);
    EXPECT_EQ(evaluateFirmwareVersion("V1.04x2024-03-02extra"), 1);  // positions move with length
    // Exactly 15 characters: the first one is examined.
    EXPECT_EQ(evaluateFirmwareVersion("1.04 2024-03-02"), 2);
}

TEST(FirmwareVersionEvaluation, ShortTextIsNotObtainedAndHighBytesCountAsNegative) {
    using qv::packet::evaluateFirmwareVersion;
    EXPECT_EQ(evaluateFirmwareVersion(""), 0);
    EXPECT_EQ(evaluateFirmwareVersion("V1.05 2025-11-"), 0);  // 14 characters
    // A byte above 0x7F is a negative character code: far below the threshold.
    std::string high = "V\xE9.99 2025-11-10";
    EXPECT_EQ(evaluateFirmwareVersion(high), 2);
}

}  // namespace
