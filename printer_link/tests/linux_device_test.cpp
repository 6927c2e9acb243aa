// The Linux device layer on a fake root: sysfs discovery, writes and bounded reads.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "unique_fd.h"

#include "device/device.h"
#include "link_state.h"

namespace fs = std::filesystem;

namespace {

// A pseudo-terminal in raw mode whose master side the test reads (or not): a printer endpoint
// that takes data only as fast as the test lets it.
class PtyEndpoint {
  public:
    PtyEndpoint() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        if (!master_.ok() || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) {
            return;
        }
        path_ = ::ptsname(master_.get());
        // Held open so that the device's own open and close never hang the line up.
        slave_ = std::make_unique<qv::UniqueFd>(::open(path_.c_str(), O_RDWR | O_NOCTTY));
        termios raw{};
        if (slave_->ok() && ::tcgetattr(slave_->get(), &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(slave_->get(), TCSANOW, &raw);
        }
    }
    bool ok() const { return master_.ok() && slave_ && slave_->ok(); }
    // The other end goes away, as a printer that is unplugged.
    void hangUp() { master_.reset(); }
    const std::string& path() const { return path_; }
    int master() const { return master_.get(); }

  private:
    qv::UniqueFd master_;
    std::unique_ptr<qv::UniqueFd> slave_;
    std::string path_;
};

class LinuxDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qv410-root-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        setenv("QV410_ROOT", root.c_str(), 1);
        unsetenv("QV410_DEVICE");
        device = qv::device::makeLinuxDevice();
    }
    void TearDown() override {
        unsetenv("QV410_ROOT");
        unsetenv("QV410_DEVICE");
        qv::device::install(nullptr);
        fs::remove_all(root);
    }

    // lpN whose interface folder sits below a USB device with the given identifiers, shaped like
    // sysfs: usbmisc/lpN/device -> .../usb1/1-N/1-N:1.0
    void addPrinter(int n, const std::string& vendor, const std::string& product) {
        const fs::path usb = fs::path(root) / "sys/devices/usb1" / ("1-" + std::to_string(n));
        fs::create_directories(usb / ("1-" + std::to_string(n) + ":1.0"));
        if (!vendor.empty()) {
            std::ofstream(usb / "idVendor") << vendor;
        }
        if (!product.empty()) {
            std::ofstream(usb / "idProduct") << product;
        }
        const fs::path cls = fs::path(root) / "sys/class/usbmisc" / ("lp" + std::to_string(n));
        fs::create_directories(cls);
        fs::create_directory_symlink(usb / ("1-" + std::to_string(n) + ":1.0"), cls / "device");
    }

    std::string root;
    std::shared_ptr<qv::device::Device> device;
};

TEST_F(LinuxDeviceTest, Discovery_MatchesIdentifiersInAnyCaseAndNumericOrder) {
    addPrinter(1, "1234\n", "811e\n");  // another vendor
    addPrinter(10, "0fe6\n", "811e\n");
    addPrinter(2, "0FE6\n", "811E\n");
    EXPECT_EQ(device->find(), root + "/dev/usb/lp2");
    // Every printer, the first being find()'s.
    EXPECT_EQ(device->findAll(),
              (std::vector<std::string>{root + "/dev/usb/lp2", root + "/dev/usb/lp10"}));
}

TEST_F(LinuxDeviceTest, Discovery_SkipsUnreadableEntriesAndFindsNothingWithoutAMatch) {
    addPrinter(0, "", "811e\n");      // no idVendor
    addPrinter(1, "0fe6\n", "8110");  // another product
    EXPECT_EQ(device->find(), std::nullopt);
    addPrinter(3, "0fe6", "811e");  // no trailing newline is fine too
    EXPECT_EQ(device->find(), root + "/dev/usb/lp3");
}

TEST_F(LinuxDeviceTest, Discovery_PathTooLongForTheLinkStateIsSkipped) {
    const std::string deep = root + "/" + std::string(240, 'd');
    fs::create_directories(deep);
    setenv("QV410_ROOT", deep.c_str(), 1);
    root = deep;
    addPrinter(0, "0fe6", "811e");
    EXPECT_EQ(device->find(), std::nullopt);
    setenv("QV410_ROOT", fs::path(deep).parent_path().c_str(), 1);
}

TEST_F(LinuxDeviceTest, FixedDeviceSkipsDiscoveryButNotTheChecks) {
    addPrinter(0, "0fe6", "811e");
    setenv("QV410_DEVICE", "/dev/usb/lp7", 1);
    qv::device::install(nullptr);
    EXPECT_EQ(qv::device::current().find(), "/dev/usb/lp7");
    EXPECT_EQ(qv::device::current().findAll(), std::vector<std::string>{"/dev/usb/lp7"});
    EXPECT_FALSE(qv::device::current().canOpen("/dev/usb/lp7"));
    EXPECT_TRUE(qv::device::current().canOpen("/dev/null"));
    unsetenv("QV410_DEVICE");
    qv::device::install(nullptr);
    EXPECT_EQ(qv::device::current().find(), root + "/dev/usb/lp0");
}

TEST_F(LinuxDeviceTest, WriteAndReadOpenTheNodeEachTime) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    const uint8_t bytes[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    EXPECT_EQ(device->write(pty.path(), bytes, qv::kWriteWait), qv::device::WriteStatus::ok);
    uint8_t got[16] = {};
    pollfd pfd{pty.master(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 1000), 1);
    ASSERT_EQ(::read(pty.master(), got, sizeof got), static_cast<ssize_t>(sizeof bytes));
    EXPECT_EQ(got[3], 0x04);

    const uint8_t reply[] = {0x1F, 0x1B, 0x1A, 0x04, 0x02, 0x01, 0x08};
    ASSERT_EQ(::write(pty.master(), reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
    uint8_t buffer[64] = {};
    std::size_t count = 0;
    ASSERT_EQ(device->read(pty.path(), buffer, std::chrono::milliseconds(1000), count),
              qv::device::ReadStatus::ok);
    EXPECT_EQ(count, sizeof reply);
    EXPECT_EQ(buffer[6], 0x08);
    EXPECT_EQ(device->read(root + "/absent", buffer, std::chrono::milliseconds(100), count),
              qv::device::ReadStatus::openFailed);
    EXPECT_EQ(device->write(root + "/absent", bytes, qv::kWriteWait),
              qv::device::WriteStatus::openFailed);
    EXPECT_FALSE(fs::exists(root + "/absent"));
}

TEST_F(LinuxDeviceTest, ReadWithNothingToReadFailsAfterTheWait) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    uint8_t buffer[64] = {};
    std::size_t got = 7;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->read(pty.path(), buffer, std::chrono::milliseconds(150), got),
              qv::device::ReadStatus::failed);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(150));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
    EXPECT_EQ(got, 0u);
}

TEST_F(LinuxDeviceTest, WriteToAnEndpointThatTakesNothingFailsAfterTheWait) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    const std::vector<uint8_t> image(1 << 20, 0x41);  // far more than the line buffers
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->write(pty.path(), image, std::chrono::milliseconds(300)),
              qv::device::WriteStatus::writeFailed);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
}

// A slow endpoint that keeps taking data is waited for as long as it takes: each byte taken
// starts the wait afresh.
TEST_F(LinuxDeviceTest, WriteToASlowEndpointGoesThroughWhileItMakesProgress) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    const std::vector<uint8_t> image(256 * 1024, 0x42);
    std::size_t drained = 0;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        std::vector<uint8_t> chunk(16 * 1024);
        while (!done.load()) {
            pollfd pfd{pty.master(), POLLIN, 0};
            if (::poll(&pfd, 1, 100) <= 0) {
                continue;
            }
            const ssize_t n = ::read(pty.master(), chunk.data(), chunk.size());
            if (n > 0) {
                drained += static_cast<std::size_t>(n);
            }
            // Far slower than the line: the whole image takes several waits to go through.
            std::this_thread::sleep_for(std::chrono::milliseconds(40));  // NOLINT
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const auto status = device->write(pty.path(), image, std::chrono::milliseconds(250));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Let the reader take what is still in the line.
    const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (drained < image.size() && std::chrono::steady_clock::now() < settle) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // NOLINT
    }
    done = true;
    reader.join();
    EXPECT_EQ(status, qv::device::WriteStatus::ok);
    EXPECT_GT(elapsed, std::chrono::milliseconds(250));
    EXPECT_EQ(drained, image.size());
}

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Whether another program could take the node now (an open of its own and the advisory lock).
bool takenByAnother(const std::string& path) {
    const qv::UniqueFd other(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    return other.ok() && ::flock(other.get(), LOCK_EX | LOCK_NB) == 0;
}

// The driver throws away what it read ahead when a descriptor closes: the write and the read of
// an exchange share one descriptor, which holds the printer against other programs until the
// exchange is released.
TEST_F(LinuxDeviceTest, OneDescriptorServesTheExchangeAndHoldsThePrinterUntilReleased) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    const std::size_t before = openDescriptors();
    const uint8_t bytes[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    ASSERT_EQ(device->write(pty.path(), bytes, qv::kWriteWait), qv::device::WriteStatus::ok);
    EXPECT_EQ(openDescriptors(), before + 1);
    EXPECT_FALSE(takenByAnother(pty.path()));

    const uint8_t reply[] = {0x1F, 0x1B, 0x1A, 0x04, 0x02, 0x01, 0x00};
    ASSERT_EQ(::write(pty.master(), reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
    uint8_t buffer[64] = {};
    std::size_t count = 0;
    ASSERT_EQ(device->read(pty.path(), buffer, qv::kReadWait, count), qv::device::ReadStatus::ok);
    EXPECT_EQ(count, sizeof reply);
    EXPECT_EQ(openDescriptors(), before + 1) << "the read opened a descriptor of its own";

    device->release();
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(takenByAnother(pty.path()));
}

// Another program's exchange is waited for, a bounded time, and then refused as an open
// failure whose reason is EBUSY; nothing reaches the printer meanwhile.
TEST_F(LinuxDeviceTest, PrinterInUseIsWaitedForThenRefusedAsBusy) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    const qv::UniqueFd other(::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB), 0);
    const uint8_t bytes[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    const auto start = std::chrono::steady_clock::now();
    errno = 0;
    EXPECT_EQ(device->write(pty.path(), bytes, qv::kWriteWait),
              qv::device::WriteStatus::openFailed);
    EXPECT_EQ(errno, EBUSY);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, qv::device::kBusyWait);
    EXPECT_LT(elapsed, qv::device::kBusyWait + std::chrono::milliseconds(1000));
    pollfd pfd{pty.master(), POLLIN, 0};
    EXPECT_EQ(::poll(&pfd, 1, 0), 0) << "bytes reached the printer of another program";
}

// The wait ends when the other program lets go (its close is the event), not at a tick.
TEST_F(LinuxDeviceTest, PrinterLetGoDuringTheWaitIsTakenAtOnce) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    auto other =
        std::make_unique<qv::UniqueFd>(::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_EQ(::flock(other->get(), LOCK_EX | LOCK_NB), 0);
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // NOLINT
        other.reset();
    });
    const uint8_t bytes[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    const auto start = std::chrono::steady_clock::now();
    const auto status = device->write(pty.path(), bytes, qv::kWriteWait);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    letGo.join();
    EXPECT_EQ(status, qv::device::WriteStatus::ok);
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
}

// A printer that goes away ends the exchange's wait at once, with the step's failure.
TEST_F(LinuxDeviceTest, PrinterGoneEndsAWaitingReadAndTheNextWriteAtOnce) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.ok());
    const uint8_t bytes[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    ASSERT_EQ(device->write(pty.path(), bytes, qv::kWriteWait), qv::device::WriteStatus::ok);
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // NOLINT
        pty.hangUp();
    });
    uint8_t buffer[64] = {};
    std::size_t count = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto status = device->read(pty.path(), buffer, std::chrono::milliseconds(2000), count);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    unplug.join();
    EXPECT_EQ(status, qv::device::ReadStatus::failed);
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000)) << "the read waited out its time";

    const auto writeStart = std::chrono::steady_clock::now();
    EXPECT_EQ(device->write(pty.path(), bytes, qv::kWriteWait),
              qv::device::WriteStatus::writeFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - writeStart, std::chrono::milliseconds(1000));
}

// The node a program used a moment ago is not trusted for the next exchange: replaced by a
// regular file it is refused untouched, replaced by another device that one is used.
TEST_F(LinuxDeviceTest, NodeReplacedBetweenExchangesIsLookedAtAfresh) {
    PtyEndpoint first;
    PtyEndpoint second;
    ASSERT_TRUE(first.ok() && second.ok());
    const std::string node = root + "/lp0";
    const uint8_t bytes[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    uint8_t got[16] = {};
    pollfd pfd{first.master(), POLLIN, 0};

    fs::create_symlink(first.path(), node);
    ASSERT_EQ(device->write(node, bytes, qv::kWriteWait), qv::device::WriteStatus::ok);
    device->release();
    ASSERT_EQ(::poll(&pfd, 1, 1000), 1);
    ASSERT_EQ(::read(first.master(), got, sizeof got), static_cast<ssize_t>(sizeof bytes));

    const std::string file = root + "/data";
    std::ofstream(file) << "KEEP";
    fs::remove(node);
    fs::create_symlink(file, node);
    EXPECT_EQ(device->write(node, bytes, qv::kWriteWait), qv::device::WriteStatus::openFailed);
    device->release();
    EXPECT_EQ(fs::file_size(file), 4U);

    fs::remove(node);
    fs::create_symlink(second.path(), node);
    ASSERT_EQ(device->write(node, bytes, qv::kWriteWait), qv::device::WriteStatus::ok);
    device->release();
    pollfd other{second.master(), POLLIN, 0};
    ASSERT_EQ(::poll(&other, 1, 1000), 1);
    EXPECT_EQ(::read(second.master(), got, sizeof got), static_cast<ssize_t>(sizeof bytes));
    EXPECT_EQ(::poll(&pfd, 1, 0), 0) << "the first printer got the bytes meant for the second";
}

}  // namespace
