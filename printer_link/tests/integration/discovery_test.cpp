// Finding the printer in a sysfs tree shaped like the kernel's, and the fixed device path that
// skips the search.
#include "pty_fixture.h"

namespace {

class DiscoveryTest : public PtyPrinterTest {};

TEST_F(DiscoveryTest, PassesByAnotherPrinterAtALowerNumber) {
    start({"--decoy", "0", "--lp", "1"});

    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(qv::linkState().devicePathString(), printer->root() + "/dev/usb/lp1");
    EXPECT_EQ(printer->received(), lines({kVersionQuery, command("1f1b1a010102")}));
}

// Two devices with the printer's ids: the lower number wins, counted as a number (lp2 before
// lp10), although "lp10" sorts first as text. The one at lp10 has no device node.
TEST_F(DiscoveryTest, TakesTheLowestNumberNumerically) {
    start({"--lp", "2", "--decoy", "10", "--decoy-ids", "0fe6:811e"});

    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(qv::linkState().devicePathString(), printer->root() + "/dev/usb/lp2");
}

TEST_F(DiscoveryTest, MatchesIdsWrittenInUpperCase) {
    start({"--printer-ids", "0FE6:811E"});

    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();
}

TEST_F(DiscoveryTest, IgnoresADeviceWhoseProductDiffers) {
    start({"--printer-ids", "0fe6:811f"});

    EXPECT_EQ(USBCheckConnection(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_TRUE(printer->received().empty());
}

TEST_F(DiscoveryTest, NoPrinterListedFailsBeforeAnythingIsSent) {
    start({"--absent", "--decoy", "1"});

    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(printer->received().empty());
}

// A failed search caches nothing: the next export searches again.
TEST_F(DiscoveryTest, APrinterThatAppearsLaterIsFoundOnTheNextSearch) {
    start({"--absent"});
    EXPECT_EQ(USBCheckConnection(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);

    printer->control("absent 0");

    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();
}

TEST_F(DiscoveryTest, FixedDevicePathSkipsTheSearch) {
    // No usbmisc entry at all: only the fixed path can lead to the printer.
    start({"--absent"});
    const std::string path = printer->root() + "/dev/usb/lp0";
    ::unsetenv("QV410_ROOT");
    ::setenv("QV410_DEVICE", path.c_str(), 1);
    qv::device::install(nullptr);

    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(qv::linkState().devicePathString(), path);
    EXPECT_EQ(printer->received(), lines({kVersionQuery, command("1f1b1a010102")}));
}

TEST_F(DiscoveryTest, FixedDevicePathThatCannotBeOpenedIsAnOpenFailure) {
    start({"--unplugged"});
    ::setenv("QV410_DEVICE", (printer->root() + "/dev/usb/lp0").c_str(), 1);
    qv::device::install(nullptr);

    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);

    // Taken as given, not searched for: the open fails (51), not the search (50).
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
}

}  // namespace
