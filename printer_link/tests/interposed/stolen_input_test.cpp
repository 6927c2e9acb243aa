// Input that poll reported but another reader took first: the read waits for the rest of its
// time instead of failing at once, and still ends when its time is up.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "device/device.h"
#include "interposers.h"
#include "unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

class StolenInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A pseudo-terminal as the line: the printer's side is the master, held open for the
        // whole test; the device reads the slave, a character device as a printer's node is.
        printerSide = std::make_unique<qv::UniqueFd>(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(printerSide->ok());
        ASSERT_EQ(::grantpt(printerSide->get()), 0);
        ASSERT_EQ(::unlockpt(printerSide->get()), 0);
        node = ::ptsname(printerSide->get());
        // Held open so that the device's own open and close never hang the line up; raw, so
        // that each byte is input at once.
        hostSide = std::make_unique<qv::UniqueFd>(::open(node.c_str(), O_RDWR | O_NOCTTY));
        ASSERT_TRUE(hostSide->ok());
        termios raw{};
        ASSERT_EQ(::tcgetattr(hostSide->get(), &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(hostSide->get(), TCSANOW, &raw), 0);
        device = qv::device::makeLinuxDevice();
    }
    void TearDown() override {
        qv::testing::stealReads("", 0);
        hostSide.reset();
        printerSide.reset();
    }

    void send(char byte) const { ASSERT_EQ(::write(printerSide->get(), &byte, 1), 1); }

    std::string node;  // the node the device reads
    std::unique_ptr<qv::UniqueFd> printerSide;
    std::unique_ptr<qv::UniqueFd> hostSide;
    std::shared_ptr<qv::device::Device> device;
};

TEST_F(StolenInputTest, ReadWaitsOnForTheReplyAfterItsInputWasTaken) {
    qv::testing::stealReads(node, 1);
    uint8_t buffer[64] = {};
    std::size_t got = 0;
    qv::device::ReadStatus status = qv::device::ReadStatus::failed;
    std::thread reader(
        [&] { status = device->read(node, buffer, std::chrono::milliseconds(900), got); });
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
    qv::testing::stealReads(node, 1);
    uint8_t buffer[64] = {};
    std::size_t got = 0;
    qv::device::ReadStatus status = qv::device::ReadStatus::ok;
    const auto begin = Clock::now();
    std::thread reader(
        [&] { status = device->read(node, buffer, std::chrono::milliseconds(900), got); });
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
