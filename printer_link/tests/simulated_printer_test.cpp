// The simulated printer's stream parser: packets, label jobs and firmware arriving in any chunks.
#include <gtest/gtest.h>

#include <string>

#include "sim_fixture.h"

namespace {

using qv::sim::Bytes;
using qv::sim::Outgoing;
using qv::sim::PrinterEngine;
using qv::sim::Received;

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// Feeds the stream in chunks of the given size and returns the replies.
std::vector<Outgoing> feed(PrinterEngine& engine, const Bytes& stream, std::size_t chunk) {
    std::vector<Outgoing> replies;
    for (std::size_t i = 0; i < stream.size(); i += chunk) {
        const std::size_t n = std::min(chunk, stream.size() - i);
        engine.receive(std::span<const uint8_t>(stream.data() + i, n), replies);
    }
    return replies;
}

// A label job whose raster holds bytes that look like line ends and a PRINT line.
Bytes bitmapJob() {
    Bytes raster(2 * 3, 0);
    const std::string trap = "\r\nPRINT";
    std::copy(trap.begin(), trap.begin() + 6, raster.begin());
    return concat(
        {text("SIZE 1mm,1mm\r\nCLS\r\nBITMAP 0,0,2,3,1,"), raster, text("\r\nPRINT 1,1\r\n")});
}

TEST(SimulatedPrinterStream, ChunkingDoesNotChangeWhatIsParsed) {
    const Bytes status = bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01});
    const Bytes firmware = bytesOf({0x1F, 0x75, 0x00, 0x00, 0x00, 0x03, 0x1F, 0x1B, 0x1A});
    const Bytes stream = concat({status, bitmapJob(), firmware, status});
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}, stream.size()}) {
        PrinterEngine engine;
        const auto replies = feed(engine, stream, chunk);
        ASSERT_EQ(replies.size(), 3u) << chunk;
        EXPECT_EQ(replies[0].bytes, bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x02, 0x01, 0x00}));
        EXPECT_EQ(replies[1].bytes, bytesOf({0x1F, 0x75, 0x01, 0x01, 0x01}));
        EXPECT_TRUE(replies[1].acknowledgement);
        const auto& log = engine.received();
        ASSERT_EQ(log.size(), 4u) << chunk;
        EXPECT_EQ(log[1].kind, Received::Kind::job);
        EXPECT_EQ(log[1].bytes, bitmapJob());
        EXPECT_EQ(log[2].kind, Received::Kind::firmware);
        EXPECT_EQ(log[2].size, firmware.size());
        EXPECT_EQ(log[3].bytes, status);
    }
}

TEST(SimulatedPrinterStream, GarbageIsLoggedAndTheParserRecovers) {
    PrinterEngine engine;
    const Bytes stream =
        concat({bytesOf({0x1F, 0x00}), bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x02})});
    const auto replies = feed(engine, stream, 3);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Bytes(replies[0].bytes.begin(), replies[0].bytes.begin() + 4),
              bytesOf({0xFF, 0xFF, 0xFF, 0xF0}));
    EXPECT_EQ(engine.received().front().kind, Received::Kind::garbage);
}

TEST(SimulatedPrinterStream, FirmwareIsCountedWithoutKeepingItAndChangesTheVersion) {
    PrinterEngine engine;
    engine.setRecordFirmware(false);
    engine.setVersionAfterDownload(qv::sim::kSilentFirmware, false);
    Bytes packet = bytesOf({0x1F, 0x75, 0x00, 0x01, 0x00, 0x00});
    packet.resize(6 + 65536, 0xA5);
    const auto replies = feed(engine, packet, 4096);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(engine.firmwareBytesReceived(), 65536u);
    EXPECT_TRUE(engine.received().back().bytes.empty());
    EXPECT_EQ(engine.state().firmwareVersion, qv::sim::kSilentFirmware);

    // The new firmware no longer answers settings commands.
    const auto after = feed(engine, bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x02, 0x00, 0x00}), 64);
    EXPECT_TRUE(after.empty());
    EXPECT_EQ(engine.state().buzzer, 0);
}

TEST(SimulatedPrinterCommands, SettingsReadBackInTheReplyLayout) {
    PrinterEngine engine;
    Bytes write = bytesOf({0x1F, 0x1B, 0x1A, 0x00, 0x0F});
    const Bytes body = bytesOf({1, 0, 0x90, 0x01, 2, 1, 1, 0, 9, 15, 89, 7, 0x85, 0xFF, 0x00});
    write.insert(write.end(), body.begin(), body.end());
    const auto acks = feed(engine, write, 64);
    ASSERT_EQ(acks.size(), 1u);
    EXPECT_EQ(acks[0].bytes, bytesOf({0x1F, 0x1B, 0x1A, 0x00, 0x01, 0x01}));
    EXPECT_EQ(engine.state().settings.printToStop, -5);

    const auto read = feed(engine, bytesOf({0x1F, 0x1B, 0x1A, 0x05, 0x01, 0x00}), 64);
    ASSERT_EQ(read.size(), 1u);
    // darkness first; special label before prevent glue; print-to-stop as sign and magnitude.
    EXPECT_EQ(read[0].bytes, bytesOf({0x1F, 0x1B, 0x1A, 0x05, 0x0F, 15, 1, 0,    0x90, 0x01,
                                      2,    1,    0,    1,    9,    89, 7, 0x85, 0xFF, 0x00}));
}

TEST(SimulatedPrinterCommands, MaintenanceCommandsChangeStateAndAcknowledgeByGroup) {
    PrinterEngine engine;
    engine.state().settings.darkness = 3;
    const auto replies = feed(engine,
                              concat({bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x02, 0x02, 0x01}),
                                      bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01}),
                                      bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x00}),
                                      bytesOf({0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x02}),
                                      bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x01})}),
                              5);
    ASSERT_EQ(replies.size(), 4u);  // the self-test command is not answered
    EXPECT_EQ(replies[0].bytes[3], 0x03);
    EXPECT_EQ(replies[1].bytes[3], 0x01);
    EXPECT_EQ(replies[2].bytes[3], 0x03);
    EXPECT_EQ(replies[3].bytes[3], 0x02);
    const auto& s = engine.state();
    EXPECT_EQ(s.dumpMode, 1);
    EXPECT_EQ(s.settings.darkness, 8);  // factory value restored
    EXPECT_EQ(s.factoryRestores, 1);
    EXPECT_EQ(s.labelLearnings, 1);
    EXPECT_EQ(s.lackPaperLearnings, 1);
    EXPECT_EQ(s.selfTests, 1);
}

TEST(SimulatedPrinterCommands, FaultsShapeTheReplies) {
    PrinterEngine engine;
    engine.faults().wrongAck = true;
    engine.faults().replyLengthByte = 1;
    const auto replies = feed(engine,
                              concat({bytesOf({0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x02}),
                                      bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x04})}),
                              64);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, bytesOf({0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x00}));
    EXPECT_EQ(replies[1].bytes[4], 1);
    engine.faults().noReply = true;
    EXPECT_TRUE(feed(engine, bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00}), 64).empty());
}

TEST_F(SimPrinterTest, AcknowledgementOnTheThirdReadMissesTheFirstTwo) {
    faults().ackOnRead = 3;
    printer->write(qv::sim::SimulatedPrinter::kPath, bytesOf({0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x02}),
                   qv::kWriteWait);
    uint8_t buffer[64] = {};
    std::size_t got = 0;
    const auto wait = std::chrono::milliseconds(1000);
    const std::string path = qv::sim::SimulatedPrinter::kPath;
    EXPECT_EQ(printer->read(path, buffer, wait, got), qv::device::ReadStatus::failed);
    EXPECT_EQ(printer->read(path, buffer, wait, got), qv::device::ReadStatus::failed);
    EXPECT_EQ(printer->read(path, buffer, wait, got), qv::device::ReadStatus::ok);
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(buffer[3], 0x02);
    EXPECT_EQ(printer->reads(), 3);
}

}  // namespace
