// The connection check, the queries and a print job end to end: exact bytes on the wire and the
// values decoded from the printer's answers.
#include <cstring>

#include "pty_fixture.h"

namespace {

class QueriesTest : public PtyPrinterTest {};

TEST_F(QueriesTest, ConnectionCheckSendsItsPacketAndAcceptsTheMarker) {
    start();
    passVersionGate();

    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(printer->received(), lines({command("1f1b1a010102")}));
}

TEST_F(QueriesTest, ConnectionCheckWithAnotherMarkerFailsWithoutAnErrorCode) {
    start({"--wrongmarker"});
    passVersionGate();

    EXPECT_EQ(USBCheckConnection(), 0);

    EXPECT_EQ(BaseGetQVError(), QV_ERR_SUCCESS);
}

TEST_F(QueriesTest, PrinterInfoAsksFiveQuestionsInOrder) {
    start({"--status", "8", "--printed", "10000", "--firmware", "V1.05 2025-11-10"});
    PrinterInfo info{};

    ASSERT_EQ(QVGetPrinterInfo(&info), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(std::u16string(info.printerType), u"QV-410");
    EXPECT_EQ(std::u16string(info.serialNumber), u"QV410-2511-000417");
    EXPECT_EQ(std::u16string(info.firmwareVersion), u"V1.05 2025-11-10");
    EXPECT_EQ(info.status, 8);
    EXPECT_EQ(info.printedLength, 10000);
    EXPECT_EQ(printer->received(),
              lines({kVersionQuery, command("1f1b1a040100"), kStatusQuery, command("1f1b1a040104"),
                     command("1f1b1a040102"), kVersionQuery}));
}

TEST_F(QueriesTest, PrinterInfoStopsAtTheFirstUnansweredQuery) {
    start();
    passVersionGate();
    printer->control("noreply 1");
    PrinterInfo info{};
    info.status = -1;

    EXPECT_EQ(QVGetPrinterInfo(&info), 0);

    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(info.printerType[0], 0);
    EXPECT_EQ(info.status, -1);
    EXPECT_EQ(printer->received(), lines({command("1f1b1a040100")}));
}

TEST_F(QueriesTest, BadPointCheckReadsItsCount) {
    start({"--badpoints", "3"});
    passVersionGate();
    int32_t count = -1;

    ASSERT_EQ(QVBadPointCheck(&count), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(count, 3);
    EXPECT_EQ(printer->received(), lines({command("1f1b1a030103")}));
}

TEST_F(QueriesTest, ReplyWithALengthByteOfOneIsAReadFailure) {
    start();
    passVersionGate();
    printer->control("length 1");
    int32_t status = -1;

    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);

    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(status, -1);
}

TEST_F(QueriesTest, TextTestPrintAsksForTheStatusThenSendsTheJob) {
    start();
    passVersionGate();
    TextTestRequest request{};
    request.width = 50;
    request.height = 30;
    const std::u16string text = u"Print Text Test";
    std::memcpy(request.text, text.data(), text.size() * sizeof(QVWCHAR));

    ASSERT_EQ(QVTextTestPrint(&request), 1) << "error " << BaseGetQVError();

    EXPECT_EQ(printer->received(), lines({kStatusQuery, "job 232"}));
}

TEST_F(QueriesTest, TextTestPrintIsRefusedWhileThePrinterIsNotReady) {
    start({"--status", "8"});
    passVersionGate();
    TextTestRequest request{};
    request.width = 50;
    request.height = 30;

    EXPECT_EQ(QVTextTestPrint(&request), 0);

    EXPECT_EQ(BaseGetQVError(), QV_ERR_PRINT_STATUS_IS_NOT_READY);
    EXPECT_EQ(printer->received(), lines({kStatusQuery}));
}

}  // namespace
