// The firmware-version gate seen from the printer: the extra exchange on the first packet after
// loading and after each firmware download.
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "pty_fixture.h"

namespace {

class VersionGateTest : public PtyPrinterTest {};

TEST_F(VersionGateTest, OnlyTheFirstCommandAsksForTheVersionFirst) {
    start({"--status", "8"});
    int32_t first = -1;
    int32_t second = -1;

    EXPECT_EQ(QVGetPrinterIsOK(&first), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(QVGetPrinterIsOK(&second), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(first, 8);
    EXPECT_EQ(second, 8);
    EXPECT_EQ(printer->received(), lines({kVersionQuery, kStatusQuery, kStatusQuery}));
    EXPECT_EQ(BaseGetQVError(), QV_ERR_SUCCESS);
}

TEST_F(VersionGateTest, TheVersionQueryItselfDoesNotOpenTheGate) {
    start();
    QVWCHAR version[QV_PRINTER_TEXT_LEN] = {};
    ASSERT_EQ(QVGetPrinterFirmwareVer(version), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(printer->received(), lines({kVersionQuery}));

    int32_t status = -1;
    ASSERT_EQ(QVGetPrinterIsOK(&status), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(printer->received(), lines({kVersionQuery, kVersionQuery, kStatusQuery}));
}

TEST_F(VersionGateTest, SilentFirmwareIsRecordedButThePacketStillGoes) {
    start({"--firmware", "V1.04 2024-03-02", "--acks", "0"});
    int32_t status = -1;

    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);

    EXPECT_EQ(BaseGetQVError(), QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printer->received(), lines({kVersionQuery, kStatusQuery}));

    // This firmware never acknowledges, and the library does not wait for it to.
    ASSERT_EQ(QVSetDumpMode(1), 1);
    const auto begin = Clock::now();
    EXPECT_EQ(GetSettingResult(), 1);
    EXPECT_LT(millisecondsSince(begin), 500);
}

class FirmwareFile {
  public:
    explicit FirmwareFile(std::size_t size) {
        path_ = std::filesystem::temp_directory_path() /
                ("qv410-firmware-" + std::to_string(::getpid()) + ".bin");
        std::ofstream out(path_, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i) {
            out.put(static_cast<char>(i * 7));  // every byte value, LF and CR among them
        }
    }
    ~FirmwareFile() { std::filesystem::remove(path_); }
    std::u16string path() const {
        const std::string narrow = path_.string();
        return std::u16string(narrow.begin(), narrow.end());
    }

  private:
    std::filesystem::path path_;
};

// A download arms the gate again: the next packet first asks for the (new) version.
TEST_F(VersionGateTest, FirmwareDownloadMakesTheNextCommandAskAgain) {
    start({"--after-download-silent", "V1.04 2024-03-02"});
    passVersionGate();
    FirmwareFile image(1 << 20);

    ASSERT_EQ(BaseDownloadFirmware(image.path().c_str()), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(GetSettingResult(), 1) << "error " << BaseGetQVError();
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);

    EXPECT_EQ(printer->received(),
              lines({"firmware " + std::to_string((1 << 20) + 6), kVersionQuery, kStatusQuery}));
    EXPECT_EQ(BaseGetQVError(), QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
    EXPECT_NE(printer->state().find(" firmwarebytes=1048576 "), std::string::npos);
}

}  // namespace
