// The device node itself: one descriptor per exchange, one program at a time, the real 1000 ms
// wait, bytes passed unchanged both ways, and a printer that goes away.
#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>

#include "pty_fixture.h"
#include "unique_fd.h"

namespace {

class TransportTest : public PtyPrinterTest {};

TEST_F(TransportTest, NoReplyFailsAfterTheFullWait) {
    start({"--noreply"});
    // The gate's own query already meets the silence; only the export's result matters here.
    int32_t status = -1;
    const auto begin = Clock::now();

    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);

    const auto elapsed = millisecondsSince(begin);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(status, -1);
    // Two reads (version gate, then the status) of 1000 ms each.
    EXPECT_GE(elapsed, 2000);
    EXPECT_LT(elapsed, 2600);
}

TEST_F(TransportTest, NoReplyToOneQueryTakesOneWait) {
    start();
    passVersionGate();
    printer->control("noreply 1");
    int32_t status = -1;
    const auto begin = Clock::now();

    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);

    const auto elapsed = millisecondsSince(begin);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 1300);
    EXPECT_EQ(printer->received(), lines({kStatusQuery}));
}

TEST_F(TransportTest, ReplyWithinTheWaitIsTaken) {
    start({"--status", "8"});
    passVersionGate();
    printer->control("delay 600");
    int32_t status = -1;
    const auto begin = Clock::now();

    EXPECT_EQ(QVGetPrinterIsOK(&status), 1) << "error " << BaseGetQVError();

    const auto elapsed = millisecondsSince(begin);
    EXPECT_EQ(status, 8);
    EXPECT_GE(elapsed, 600);
    EXPECT_LT(elapsed, 1000);
}

// A reply later than the wait is not lost: it stays queued in the device and is what the next
// exchange reads, whatever that asked for.
TEST_F(TransportTest, LateReplyIsReadByTheNextExchange) {
    start({"--printed", "10000"});
    passVersionGate();
    printer->control("delay 1500");
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    printer->control("delay 0");

    int32_t length = -1;
    EXPECT_EQ(QVGetPrinterPrintedLen(&length), 1) << "error " << BaseGetQVError();

    // The one-byte status reply (status 0), not the printed length.
    EXPECT_EQ(length, 0);
}

TEST_F(TransportTest, UnpluggedPrinterCannotBeOpenedAndComesBackUnderTheSamePath) {
    start();
    passVersionGate();
    printer->control("unplug");
    int32_t status = -1;
    const auto begin = Clock::now();

    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);

    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_LT(millisecondsSince(begin), 500) << "an open failure does not wait for a reply";
    EXPECT_TRUE(printer->received().empty());

    printer->control("plug");
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(status, 0);
}

// Control characters, CR, LF and flow-control bytes must pass untouched in both directions: a
// cooked tty would turn LF into CR LF on the way out, swallow XON/XOFF and signal characters,
// map CR to LF, and hold replies back until a newline.
TEST_F(TransportTest, EveryByteValuePassesUnchangedBothWays) {
    start();
    passVersionGate();
    PrintSettingParam written{};
    written.printType = 0x0D;         // CR
    written.powerOnPosition = 0x0A;   // LF
    written.labelHeight = 0x1311;     // XON, XOFF
    written.paperType = 0x03;         // INTR
    written.reprintWhenError = 0x7F;  // ERASE
    written.preventSticker = 0x04;    // EOF
    written.specialLabel = 0x1A;      // SUSP
    written.printSpeed = 0x16;        // LNEXT
    written.darkness = 0x15;          // KILL
    written.hOrigin = 0x17;           // WERASE
    written.verticalOrigin = 0x12;    // REPRINT
    written.printToStop = 0x0A;
    written.preventTime = 0x0D0A;

    ASSERT_EQ(QVSetPrintSetting(&written), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(GetSettingResult(), 1) << "error " << BaseGetQVError();
    PrintSettingParam read{};
    ASSERT_EQ(QVGetPrinterPrintSettingParam(&read), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(printer->received(), lines({command("1f1b1a000f"
                                                  "0d0a1113037f041a16151712"
                                                  "0a0a0d"),
                                          command("1f1b1a050100")}));
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
}

// The longest reply (64 bytes) arrives in one piece and is taken by the one read.
TEST_F(TransportTest, LongestTextReplyArrivesWhole) {
    const std::string version(57, 'v');
    start({"--firmware", version});
    QVWCHAR text[QV_PRINTER_TEXT_LEN] = {};

    ASSERT_EQ(QVGetPrinterFirmwareVer(text), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(std::u16string(text), std::u16string(57, u'v'));
}

TEST_F(TransportTest, AcknowledgementOnTheSecondReadSucceedsAfterOneWait) {
    start({"--ackonread", "2"});
    passVersionGate();
    const uint8_t buzzerOff = 0;
    ASSERT_EQ(QVSetUserDefSetting(&buzzerOff), 1) << "error " << BaseGetQVError();
    const auto begin = Clock::now();

    EXPECT_EQ(GetSettingResult(), 1);

    const auto elapsed = millisecondsSince(begin);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL) << "left by the first read";
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 2000);
    EXPECT_NE(printer->state().find(" buzzer=0 "), std::string::npos) << printer->state();
}

TEST_F(TransportTest, NoAcknowledgementGivesUpAfterThreeWaits) {
    start({"--noack"});
    passVersionGate();
    ASSERT_EQ(QVRestoreFactorySettings(), 1) << "error " << BaseGetQVError();
    const auto begin = Clock::now();

    EXPECT_EQ(GetSettingResult(), 0);

    const auto elapsed = millisecondsSince(begin);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_BEYOND_MAX_TIME);
    EXPECT_GE(elapsed, 3000);
    EXPECT_LT(elapsed, 3600);
}

}  // namespace

namespace {
// Whether another program could take the printer now: its own open and the advisory lock.
bool freeForAnotherProgram(const std::string& node) {
    const qv::UniqueFd other(::open(node.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    return other.ok() && ::flock(other.get(), LOCK_EX | LOCK_NB) == 0;
}
}  // namespace

// A query has the printer for its exchange only; a command keeps it until its acknowledgement
// is read, so that no other program's exchange comes between the two; an export that is not
// GetSettingResult ends that too.
TEST_F(TransportTest, CommandKeepsThePrinterForItsAcknowledgementAndNoLonger) {
    start();
    passVersionGate();
    const std::string node = printer->ptyPath();
    int32_t status = -1;
    ASSERT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_TRUE(freeForAnotherProgram(node));

    ASSERT_EQ(QVSetDumpMode(1), 1);
    EXPECT_FALSE(freeForAnotherProgram(node));
    EXPECT_EQ(BaseGetQVError(), 0) << "asking for the last error ends nothing";
    EXPECT_FALSE(freeForAnotherProgram(node));
    ASSERT_EQ(GetSettingResult(), 1);
    EXPECT_TRUE(freeForAnotherProgram(node));

    // A caller that does not ask for the acknowledgement gets the printer let go by its next
    // export, whatever that is.
    ASSERT_EQ(QVSetDumpMode(0), 1);
    EXPECT_FALSE(freeForAnotherProgram(node));
    QVListPrinterPaths(nullptr, 0);
    EXPECT_TRUE(freeForAnotherProgram(node));
}

// Another program's exchange holds this one off: the export waits its bounded time once (not
// once for each step), fails as the printer not opening (51), and sends nothing.
TEST_F(TransportTest, PrinterInUseByAnotherProgramFailsWith51AfterTheWait) {
    start();
    passVersionGate();
    const qv::UniqueFd other(
        ::open(printer->ptyPath().c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    ASSERT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB), 0);
    int32_t status = -1;
    const auto begin = Clock::now();
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_GE(millisecondsSince(begin), 3000);
    EXPECT_LT(millisecondsSince(begin), 4500);
    EXPECT_TRUE(printer->received().empty());
}
