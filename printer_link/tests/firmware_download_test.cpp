// Firmware download against the simulated printer: the packet, the refusals and what follows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "settings_packets.h"
#include "sim_fixture.h"
#include "test_platform.h"
#include "text/codepage.h"

namespace {

namespace fs = std::filesystem;
using qv::sim::Bytes;
using qv::sim::Received;

class FirmwareDownloadTest : public SimPrinterTest {
  protected:
    void SetUp() override {
        SimPrinterTest::SetUp();
        dir = qv::testing::makeTemporaryDirectory();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        SimPrinterTest::TearDown();
    }

    fs::path writeFile(const fs::path& name, const Bytes& content) {
        fs::path path = dir / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
        return path;
    }

    static int32_t download(const fs::path& path) {
        const std::u16string wide = path.u16string();
        return BaseDownloadFirmware(wide.c_str());
    }

    std::vector<Received> firmwareReceived() {
        std::vector<Received> out;
        for (const Received& r : printer->received()) {
            if (r.kind == Received::Kind::firmware) {
                out.push_back(r);
            }
        }
        return out;
    }

    // A refusal: code, nothing at all sent, kind as before.
    void expectRefused(const fs::path& path, int32_t code) {
        qv::linkState().lastKind = qv::settings::kKindDumpMode;
        qv::setError(0);
        EXPECT_EQ(download(path), 0);
        EXPECT_EQ(BaseGetQVError(), code);
        EXPECT_TRUE(printer->received().empty());
        EXPECT_EQ(qv::linkState().lastKind, qv::settings::kKindDumpMode);
    }

    static Bytes image(std::size_t size) {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        }
        return bytes;
    }

    fs::path dir;
};

TEST_F(FirmwareDownloadTest, ThousandByteFileGoesOutAsOnePacketOf1006Bytes) {
    passVersionGate();
    const Bytes content = image(1000);
    ASSERT_EQ(download(writeFile("fw.bin", content)), 1);
    const auto packets = firmwareReceived();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].size, 1006u);
    Bytes expected = bytesOf({0x1F, 0x75, 0x00, 0x00, 0x03, 0xE8});
    expected.insert(expected.end(), content.begin(), content.end());
    EXPECT_EQ(packets[0].bytes, expected);
    EXPECT_EQ(qv::linkState().lastKind, qv::settings::kKindFirmware);
    EXPECT_TRUE(qv::linkState().versionCheckPending);
    EXPECT_EQ(GetSettingResult(), 1);
    EXPECT_EQ(BaseGetQVError(), 0);
}

TEST_F(FirmwareDownloadTest, LineEndsAndControlBytesGoOutUnchanged) {
    passVersionGate();
    // Reading in text mode would turn CR LF into LF and stop at ^Z.
    const Bytes content = bytesOf({'M', 'Z', '\r', '\n', 0x1A, '\n', 0x00, '\r', 'x', 0xFF});
    ASSERT_EQ(download(writeFile("fw.bin", content)), 1);
    const auto packets = firmwareReceived();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(Bytes(packets[0].bytes.begin() + 6, packets[0].bytes.end()), content);
}

TEST_F(FirmwareDownloadTest, LengthIsBigEndianOverAllFourBytes) {
    passVersionGate();
    ASSERT_EQ(download(writeFile("fw.bin", image(0x010203))), 1);
    const auto packets = firmwareReceived();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(Bytes(packets[0].bytes.begin(), packets[0].bytes.begin() + 6),
              bytesOf({0x1F, 0x75, 0x00, 0x01, 0x02, 0x03}));
}

TEST_F(FirmwareDownloadTest, NextCommandAsksForTheNewVersionAndObeysIt) {
    passVersionGate();
    printer->with([](qv::sim::PrinterEngine& e) {
        e.setVersionAfterDownload(qv::sim::kSilentFirmware, false);
    });
    ASSERT_EQ(download(writeFile("fw.bin", image(64))), 1);
    EXPECT_EQ(GetSettingResult(), 1);
    printer->clearReceived();
    ASSERT_EQ(QVSetDumpMode(1), 1);
    EXPECT_EQ(commands().front(), bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x03}));
    EXPECT_EQ(BaseGetQVError(), QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckNone);
    faults().unopenable = true;
    EXPECT_EQ(GetSettingResult(), 1);  // this firmware answers nothing: not judged
}

TEST_F(FirmwareDownloadTest, FirstPacketAfterLoadingRunsTheGateBeforeTheDownload) {
    ASSERT_EQ(download(writeFile("fw.bin", image(10))), 1);
    const auto received = printer->received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].bytes, bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x03}));
    EXPECT_EQ(received[1].kind, Received::Kind::firmware);
    EXPECT_TRUE(qv::linkState().versionCheckPending);
}

TEST_F(FirmwareDownloadTest, WrongOrMissingAnswerFailsTheResult) {
    passVersionGate();
    faults().wrongAck = true;
    ASSERT_EQ(download(writeFile("fw.bin", image(8))), 1);
    EXPECT_EQ(GetSettingResult(), 0);
    faults().wrongAck = false;
    faults().noAck = true;
    ASSERT_EQ(download(writeFile("fw.bin", image(8))), 1);
    EXPECT_EQ(GetSettingResult(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_BEYOND_MAX_TIME);
}

TEST_F(FirmwareDownloadTest, UnpluggedPrinterFailsAfterTheFileWasReadWithKindSix) {
    passVersionGate();
    faults().unopenable = true;
    EXPECT_EQ(download(writeFile("fw.bin", image(100))), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(qv::linkState().lastKind, qv::settings::kKindFirmware);
    EXPECT_TRUE(qv::linkState().versionCheckPending);
}

TEST_F(FirmwareDownloadTest, NonAsciiPathIsOpenedAsUtf8) {
    passVersionGate();
    ASSERT_EQ(download(writeFile(fs::path(u8"f\u00fcrmware-\u6e29.bin"), image(5))), 1);
    EXPECT_EQ(firmwareReceived().size(), 1u);
}

TEST_F(FirmwareDownloadTest, RefusedFilesSendNothing) {
    passVersionGate();
    {
        SCOPED_TRACE("missing");
        expectRefused(dir / "absent.bin", QV_ERR_FILE_NOT_FIND);
    }
    {
        SCOPED_TRACE("empty");
        expectRefused(writeFile("empty.bin", {}), QV_ERR_INVALID_FIRMWARE);
    }
    {
        SCOPED_TRACE("a directory is no file to open");
        expectRefused(dir, QV_ERR_FILE_NOT_FIND);
        fs::create_directory(dir / "image.bin");
        expectRefused(dir / "image.bin", QV_ERR_FILE_NOT_FIND);
    }
    {
        SCOPED_TRACE("a path through a regular file cannot be opened");
        expectRefused(writeFile("plain.bin", image(4)) / "child", QV_ERR_FILE_NOT_FIND);
    }
    for (const auto& file : qv::testing::makeUnusableFiles(dir)) {
        SCOPED_TRACE(file.what);
        expectRefused(file.path, file.code);
    }
}

TEST_F(FirmwareDownloadTest, UnreadableFileCannotBeOpened) {
    passVersionGate();
    const fs::path path = writeFile("locked.bin", image(16));
    fs::permissions(path, fs::perms::none);
    if (std::ifstream(path, std::ios::binary).is_open()) {
        GTEST_SKIP() << "this user reads files whatever their mode (root, or a platform whose "
                        "permissions do not forbid reading)";
    }
    expectRefused(path, QV_ERR_FILE_NOT_FIND);
}

// The file is read when the download starts: what it holds then is sent, and a file that has
// become empty is refused.
TEST_F(FirmwareDownloadTest, FileThatShrankAfterItWasChosenSendsWhatItHoldsNow) {
    passVersionGate();
    const fs::path path = writeFile("shrinking.bin", image(1000));
    fs::resize_file(path, 10);
    ASSERT_EQ(download(path), 1);
    const auto firmware = firmwareReceived();
    ASSERT_EQ(firmware.size(), 1u);
    EXPECT_EQ(firmware[0].size, 16u);
    EXPECT_EQ(Bytes(firmware[0].bytes.begin(), firmware[0].bytes.begin() + 6),
              bytesOf({0x1F, 0x75, 0x00, 0x00, 0x00, 0x0A}));
    printer->clearReceived();
    fs::resize_file(path, 0);
    expectRefused(path, QV_ERR_INVALID_FIRMWARE);
}

// A file whose size promises more than its reads deliver (as a sysfs attribute does: 4096 by
// size, a few bytes by content) is refused: the packet would describe bytes it does not hold.
TEST_F(FirmwareDownloadTest, FileThatDeliversLessThanItsSizeIsRefused) {
    passVersionGate();
    const fs::path attribute = "/sys/kernel/mm/transparent_hugepage/enabled";
    std::error_code error;
    if (fs::file_size(attribute, error) != 4096 || error) {
        GTEST_SKIP() << "no sysfs attribute to read here";
    }
    expectRefused(attribute, QV_ERR_INVALID_FIRMWARE);
}

TEST_F(FirmwareDownloadTest, NullPathFailsWithCodeOne) {
    EXPECT_EQ(BaseDownloadFirmware(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_TRUE(printer->received().empty());
}

TEST_F(FirmwareDownloadTest, PathWithAnUnpairedSurrogateCannotBeOpened) {
    const std::u16string wide = dir.u16string() + u"/fw\xD800.bin";
    EXPECT_EQ(BaseDownloadFirmware(wide.c_str()), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_FILE_NOT_FIND);
}

TEST_F(FirmwareDownloadTest, SparseFileOfFourGibibytesOrMoreIsRefusedBeforeAnyBuffer) {
    passVersionGate();
    // With 32-bit positions these would pass for files of 0 and 1000 bytes.
    for (const uint64_t size : {uint64_t{1} << 32, (uint64_t{1} << 32) + 1000, uint64_t{1} << 40}) {
        SCOPED_TRACE(size);
        const fs::path path = dir / "huge.bin";
        if (!qv::testing::makeSparseFile(path, size)) {
            GTEST_SKIP() << "the temporary file system takes no sparse file of this size";
        }
        expectRefused(path, QV_ERR_INVALID_FIRMWARE);
    }
}

}  // namespace
