// Input that poll reported but another reader took first: the read waits for the rest of its
// time instead of failing at once, and still ends when its time is up.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "device/device.h"
#include "interposers.h"
#include "unique_fd.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class StolenInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qv-stolen-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fifo = (dir / "lp0").string();
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        // The printer's side of the line, held open for the whole test.
        printerSide = std::make_unique<qv::UniqueFd>(::open(fifo.c_str(), O_RDWR | O_CLOEXEC));
        ASSERT_TRUE(printerSide->ok());
        device = qv::device::makeLinuxDevice();
    }
    void TearDown() override {
        qv::testing::stealReads("", 0);
        printerSide.reset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void send(char byte) const { ASSERT_EQ(::write(printerSide->get(), &byte, 1), 1); }

    fs::path dir;
    std::string fifo;
    std::unique_ptr<qv::UniqueFd> printerSide;
    std::shared_ptr<qv::device::Device> device;
};

TEST_F(StolenInputTest, ReadWaitsOnForTheReplyAfterItsInputWasTaken) {
    qv::testing::stealReads(fifo, 1);
    uint8_t buffer[64] = {};
    std::size_t got = 0;
    qv::device::ReadStatus status = qv::device::ReadStatus::failed;
    std::thread reader(
        [&] { status = device->read(fifo, buffer, std::chrono::milliseconds(900), got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // NOLINT: the read is polling
    send('D');                                                    // taken by the other reader
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // NOLINT
    send('R');
    reader.join();
    EXPECT_EQ(qv::testing::stolenReads(), 1);
    EXPECT_EQ(status, qv::device::ReadStatus::ok);
    ASSERT_EQ(got, 1u);
    EXPECT_EQ(buffer[0], 'R');
}

TEST_F(StolenInputTest, ReadRobbedOfItsOnlyInputFailsWhenItsWholeWaitIsOver) {
    qv::testing::stealReads(fifo, 1);
    uint8_t buffer[64] = {};
    std::size_t got = 0;
    qv::device::ReadStatus status = qv::device::ReadStatus::ok;
    const auto begin = Clock::now();
    std::thread reader(
        [&] { status = device->read(fifo, buffer, std::chrono::milliseconds(900), got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // NOLINT: the read is polling
    send('D');
    reader.join();
    const auto elapsed = Clock::now() - begin;
    EXPECT_EQ(qv::testing::stolenReads(), 1);
    EXPECT_EQ(status, qv::device::ReadStatus::failed);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
}

}  // namespace
