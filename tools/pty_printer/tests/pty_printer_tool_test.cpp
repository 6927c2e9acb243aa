// The printer tool on its own, written to directly: what the other tests rely on it for.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pty_printer_process.h"

namespace {

const std::string kStatusQuery = "command 1f1b1a040101";

std::vector<std::string> lines(std::initializer_list<std::string> items) {
    return items;
}

class PtyPrinterToolTest : public ::testing::Test {
  protected:
    qv::testing::PtyPrinterProcess& start(const std::vector<std::string>& arguments = {}) {
        printer = std::make_unique<qv::testing::PtyPrinterProcess>(arguments);
        return *printer;
    }
    std::string device() const { return printer->root() + "/dev/usb/lp0"; }

    void writeToPrinter(std::string_view bytes) {
        const int fd = ::open(device().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }

    // One read as the library makes it; empty when nothing came within 1000 ms.
    std::string readFromPrinter() {
        const int fd = ::open(device().c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        pollfd pfd{fd, POLLIN, 0};
        std::string reply(64, '\0');
        ssize_t n = 0;
        if (::poll(&pfd, 1, 1000) == 1) {
            n = ::read(fd, reply.data(), reply.size());
        }
        ::close(fd);
        reply.resize(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        return reply;
    }

    std::unique_ptr<qv::testing::PtyPrinterProcess> printer;
};

TEST_F(PtyPrinterToolTest, RemovesItsTreeWhenStopped) {
    start();
    const std::filesystem::path root = printer->root();
    ASSERT_TRUE(std::filesystem::is_symlink(root / "dev/usb/lp0"));

    printer.reset();

    EXPECT_FALSE(std::filesystem::exists(root));
}

// A firmware packet is framed by its length: a pause inside it must not cut it in two.
TEST_F(PtyPrinterToolTest, FirmwarePacketSurvivesAPauseInTheMiddle) {
    start({"--write-gap", "20"});
    std::string packet = {'\x1f', '\x75', '\0', '\0', '\x10', '\0'};
    packet += std::string(0x1000, '\x0a');

    writeToPrinter(std::string_view(packet).substr(0, 2000));
    EXPECT_EQ(readFromPrinter(), "") << "no answer to half a packet";
    writeToPrinter(std::string_view(packet).substr(2000));

    EXPECT_EQ(readFromPrinter(), std::string("\x1f\x75\x01\x01\x01", 5));
    EXPECT_EQ(printer->received(), lines({"firmware 4102"}));
}

TEST_F(PtyPrinterToolTest, FirmwareFileHoldsTheImageAsReceived) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("qv410-firmware-" + std::to_string(::getpid()));
    start({"--firmware-file", file.string()});
    std::string image;
    for (int i = 0; i < 5000; ++i) {
        image += static_cast<char>((i * 7 + i / 256) & 0xFF);
    }
    std::string packet = {'\x1f', '\x75', '\0', '\0', '\x13', '\x88'};  // 5000, big-endian

    writeToPrinter(packet + image);
    ASSERT_EQ(printer->waitForReceived(1, std::chrono::seconds(5)), lines({"firmware 5006"}));
    printer->state();  // the image is written before the next control line is read

    std::string saved;
    if (FILE* f = std::fopen(file.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            saved.append(buffer, n);
        }
        std::fclose(f);
    }
    std::filesystem::remove(file);
    EXPECT_EQ(saved.size(), image.size());
    EXPECT_TRUE(saved == image) << "the image, without the packet's six header bytes";
}

TEST_F(PtyPrinterToolTest, LabelJobWithoutPrintLineEndsWithTheSilenceAfterIt) {
    start();

    writeToPrinter("SIZE 50mm,30mm\r\nCLS\r\n");

    EXPECT_EQ(printer->received(), lines({"job 21"}));
}

TEST_F(PtyPrinterToolTest, JobAndPacketInOneWriteAreTwoEntries) {
    start();

    writeToPrinter(std::string("CLS\r\nPRINT 1,1\r\n") + "\x1f\x1b\x1a\x04\x01\x01");

    EXPECT_EQ(printer->received(), lines({"job 16", kStatusQuery}));
    EXPECT_EQ(readFromPrinter(), std::string("\x1f\x1b\x1a\x04\x02\x01\x00", 7));
}

TEST_F(PtyPrinterToolTest, FlushDropsRepliesNobodyRead) {
    start();
    writeToPrinter("\x1f\x1b\x1a\x04\x01\x01");
    ASSERT_EQ(printer->received(), lines({kStatusQuery}));

    printer->control("flush");

    EXPECT_EQ(readFromPrinter(), "");
}

TEST_F(PtyPrinterToolTest, RefusesWhatAPtyCannotDo) {
    start();

    EXPECT_THROW(printer->control("shortwrite 1"), std::runtime_error);
    EXPECT_THROW(printer->control("ackonread 4"), std::runtime_error);
    EXPECT_THROW(printer->control("status eight"), std::runtime_error);
    printer->control("status 8");  // and it still answers after a refusal
    EXPECT_THROW(printer->control("serial"), std::runtime_error);
    EXPECT_THROW(printer->control("serial " + std::string(59, 'S')), std::runtime_error);
}

// "stall after N": the next N exchanges are answered, and what follows them waits in the line
// until the stall ends.
TEST_F(PtyPrinterToolTest, StallAfterRepliesAnswersThemThenTakesNothingUntilLetGo) {
    start();
    EXPECT_THROW(printer->control("stall after 0"), std::runtime_error);
    printer->control("stall after 2");
    for (int i = 0; i < 2; ++i) {
        writeToPrinter("\x1f\x1b\x1a\x04\x01\x01");
        EXPECT_EQ(readFromPrinter(), std::string("\x1f\x1b\x1a\x04\x02\x01\x00", 7));
    }

    const int fd = ::open(device().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string second("\x1f\x1b\x1a\x04\x01\x02");
    ASSERT_EQ(::write(fd, second.data(), second.size()), static_cast<ssize_t>(second.size()));
    EXPECT_EQ(printer->received(), lines({kStatusQuery, kStatusQuery}))
        << "a stalled printer read the query";

    printer->control("stall 0");
    EXPECT_EQ(printer->waitForReceived(3, std::chrono::seconds(5)),
              lines({kStatusQuery, kStatusQuery, "command 1f1b1a040102"}));
    ::close(fd);
}

TEST_F(PtyPrinterToolTest, AnswersTheSerialNumberItWasGiven) {
    start({"--serial", "SER-7"});
    writeToPrinter("\x1f\x1b\x1a\x04\x01\x02");
    const std::string reply = readFromPrinter();
    ASSERT_GE(reply.size(), 11u);
    EXPECT_EQ(reply.substr(6, 5), "SER-7");
    printer->control("serial SER-8");
    writeToPrinter("\x1f\x1b\x1a\x04\x01\x02");
    EXPECT_EQ(readFromPrinter().substr(6, 5), "SER-8");
}

// A second printer joins the tree of the first and takes only its own entries away again.
TEST_F(PtyPrinterToolTest, ASecondPrinterJoinsTheTreeAndLeavesItAsItFoundIt) {
    start();
    const std::filesystem::path root = printer->root();
    auto second = std::make_unique<qv::testing::PtyPrinterProcess>(
        std::vector<std::string>{"--join", root.string(), "--lp", "3"});
    EXPECT_EQ(second->root(), root.string());
    EXPECT_TRUE(std::filesystem::is_symlink(root / "dev/usb/lp3"));
    EXPECT_TRUE(std::filesystem::is_symlink(root / "sys/class/usbmisc/lp3"));
    EXPECT_NE(std::filesystem::canonical(root / "dev/usb/lp3"),
              std::filesystem::canonical(root / "dev/usb/lp0"));
    // Both on USB ports of their own.
    EXPECT_NE(std::filesystem::canonical(root / "sys/class/usbmisc/lp3"),
              std::filesystem::canonical(root / "sys/class/usbmisc/lp0"));

    second.reset();
    EXPECT_FALSE(std::filesystem::exists(root / "dev/usb/lp3"));
    EXPECT_FALSE(
        std::filesystem::exists(std::filesystem::symlink_status(root / "sys/class/usbmisc/lp3")));
    EXPECT_TRUE(std::filesystem::is_symlink(root / "dev/usb/lp0"));
    EXPECT_TRUE(std::filesystem::exists(root / "sys/class/usbmisc/lp0/device/../idVendor"));

    // Nothing to join, or a number already taken: refused.
    EXPECT_THROW(qv::testing::PtyPrinterProcess({"--join", (root / "nothing").string()}),
                 std::runtime_error);
    EXPECT_THROW(qv::testing::PtyPrinterProcess({"--join", root.string(), "--lp", "0"}),
                 std::runtime_error);
}

}  // namespace
