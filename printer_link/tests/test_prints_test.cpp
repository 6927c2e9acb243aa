// The text-test job's composition, and both test prints against the simulated printer.
#include <gtest/gtest.h>

#include <cstring>

#include <chrono>
#include <string>

#include "head_test_job.h"
#include "sim_fixture.h"
#include "test_platform.h"
#include "text_test_job.h"

namespace {

using qv::sim::Bytes;
using qv::sim::Received;
using qv::texttest::composeJob;

constexpr std::string_view kJobHead =
    "SIZE 50mm,30mm\r\nGAP 3 mm,0 mm\r\nREFERENCE 0,0\r\nSPEED 5\r\nDENSITY 8\r\n"
    "SET PEEL OFF\r\nSET CUTTER OFF\r\nSET PARTIAL_CUTTER OFF\r\nSET TEAR ON\r\nDIRECTION 0\r\n"
    "SHIFT 0\r\nOFFSET 0 mm\r\nCLS\r\n";

std::string textCommand(int y, std::string_view text) {
    return "TEXT 10," + std::to_string(y) + ",\"TSS24.BF2\",0,1,1,\"" + std::string(text) +
           "\"\r\n";
}

std::string job(std::initializer_list<std::string> textCommands) {
    std::string out(kJobHead);
    for (const std::string& c : textCommands) {
        out += c;
    }
    return out + "PRINT 1,1\r\n";
}

// Composition

TEST(TextTestJob, DefaultLabelIsTheFifteenLineJobOf232Bytes) {
    const std::string composed = composeJob(50, 30, "Print Text Test");
    EXPECT_EQ(composed, job({textCommand(10, "Print Text Test")}));
    EXPECT_EQ(composed.size(), 232u);
}

TEST(TextTestJob, EmptyTextStillGivesOneTextCommandIn217Bytes) {
    const std::string composed = composeJob(50, 30, "");
    EXPECT_EQ(composed, job({textCommand(10, "")}));
    EXPECT_EQ(composed.size(), 217u);
}

TEST(TextTestJob, LinesSplitAtCrLfPairsOnly) {
    EXPECT_EQ(composeJob(50, 30, "A\r\n\r\nB"),
              job({textCommand(10, "A"), textCommand(40, ""), textCommand(70, "B")}));
    // A final CR LF adds no line.
    EXPECT_EQ(composeJob(50, 30, "A\r\n"), composeJob(50, 30, "A"));
    EXPECT_EQ(composeJob(50, 30, "\r\n"), job({textCommand(10, "")}));
    // Lone CR or LF and quotes go into the text unchanged.
    EXPECT_EQ(composeJob(50, 30, "a\rb\nc\"d\n\r\ne"),
              job({textCommand(10, "a\rb\nc\"d\n"), textCommand(40, "e")}));
}

TEST(TextTestJob, SizeLineTakesWidthAndHeightAsUnsignedBytes) {
    EXPECT_TRUE(composeJob(0, 0, "x").starts_with("SIZE 0mm,0mm\r\nGAP"));
    EXPECT_TRUE(composeJob(255, 255, "x").starts_with("SIZE 255mm,255mm\r\nGAP"));
    EXPECT_TRUE(composeJob(100, 7, "x").starts_with("SIZE 100mm,7mm\r\nGAP"));
}

// Against the printer

class TestPrintsTest : public SimPrinterTest {
  protected:
    void SetUp() override {
        SimPrinterTest::SetUp();
        current = this;
        qv::selftest::setPauseForTesting(&recordPause);
    }
    void TearDown() override {
        qv::selftest::setPauseForTesting(nullptr);
        qv::selftest::setJobForTesting(std::nullopt);
        current = nullptr;
        SimPrinterTest::TearDown();
    }

    // Stands in for the two-second pause: notes when it came and what had been received.
    static void recordPause(std::chrono::milliseconds duration) {
        current->pauses.push_back(duration);
        current->receivedAtPause = current->printer->received().size();
        if (current->unplugDuringPause) {
            current->faults().unopenable = true;
        }
    }

    std::vector<Bytes> jobs() {
        std::vector<Bytes> out;
        for (const Received& r : printer->received()) {
            if (r.kind == Received::Kind::job) {
                out.push_back(r.bytes);
            }
        }
        return out;
    }

    static TextTestRequest request(uint8_t width, uint8_t height, std::u16string_view text) {
        TextTestRequest r{};
        r.width = width;
        r.height = height;
        std::copy(text.begin(), text.end(), r.text);
        return r;
    }

    static inline TestPrintsTest* current = nullptr;
    std::vector<std::chrono::milliseconds> pauses;
    std::size_t receivedAtPause = 0;
    bool unplugDuringPause = false;
};

const Bytes kStatusQuery = bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01});
const Bytes kSelfTestCommand = bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x01});

Bytes bytesOfText(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

TEST_F(TestPrintsTest, TextTestSendsTheComposedJobAfterTheStatusQuery) {
    passVersionGate();
    const TextTestRequest r = request(50, 30, u"Print Text Test");
    ASSERT_EQ(QVTextTestPrint(&r), 1);
    const auto received = printer->received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].bytes, kStatusQuery);
    EXPECT_EQ(received[1].kind, Received::Kind::job);
    EXPECT_EQ(received[1].bytes, bytesOfText(job({textCommand(10, "Print Text Test")})));
    EXPECT_EQ(BaseGetQVError(), 0);
    EXPECT_EQ(qv::linkState().lastKind, 0);
}

// The record is packed and callers may place it anywhere; its text is read without assuming the
// alignment of a UTF-16 unit (the sanitizer build traps a misaligned read).
TEST_F(TestPrintsTest, TextTestReadsARecordAtAnOddAddress) {
    passVersionGate();
    const TextTestRequest r = request(50, 30, u"Odd");
    alignas(8) unsigned char storage[sizeof(TextTestRequest) + 1];
    std::memcpy(storage + 1, &r, sizeof r);
    ASSERT_EQ(QVTextTestPrint(reinterpret_cast<const TextTestRequest*>(storage + 1)), 1);
    ASSERT_EQ(jobs().size(), 1u);
    EXPECT_EQ(jobs()[0], bytesOfText(job({textCommand(10, "Odd")})));
}

TEST_F(TestPrintsTest, TextTestPrintsAFullRecordOfShortLines) {
    passVersionGate();
    std::u16string text;
    while (text.size() + 3 < QV_TEXT_TEST_LEN) {
        text += u"Z\r\n";
    }
    const TextTestRequest r = request(60, 40, text);
    ASSERT_EQ(QVTextTestPrint(&r), 1);
    const auto sentJobs = jobs();
    ASSERT_EQ(sentJobs.size(), 1u);
    const std::string sent(sentJobs[0].begin(), sentJobs[0].end());
    EXPECT_EQ(sent, composeJob(60, 40, std::string(text.begin(), text.end())));
    EXPECT_TRUE(sent.ends_with(textCommand(10 + 30 * 345, "Z") + "PRINT 1,1\r\n"));
}

TEST_F(TestPrintsTest, TextTestReadsNoFurtherThanTheRecordWhenUnterminated) {
    passVersionGate();
    TextTestRequest r{};
    r.width = 50;
    r.height = 30;
    std::fill(std::begin(r.text), std::end(r.text), u'W');
    ASSERT_EQ(QVTextTestPrint(&r), 1);
    const auto sentJobs = jobs();
    ASSERT_EQ(sentJobs.size(), 1u);
    const std::string sent(sentJobs[0].begin(), sentJobs[0].end());
    EXPECT_EQ(sent, job({textCommand(10, std::string(QV_TEXT_TEST_LEN, 'W'))}));
}

TEST_F(TestPrintsTest, TextTestConvertsToTheProcessCodepage) {
    ASSERT_TRUE(qv::testing::useLanguage("C"));
    passVersionGate();
    const TextTestRequest r = request(50, 30, u"Caf\u00e9 \u6e29");
    const int32_t result = QVTextTestPrint(&r);
    qv::testing::restoreLocale();
    ASSERT_EQ(result, 1);
    ASSERT_EQ(jobs().size(), 1u);
    EXPECT_EQ(jobs()[0], bytesOfText(job({textCommand(10, qv::testing::cafeInProcessCodePage())})));
}

TEST_F(TestPrintsTest, NotReadyRefusesBothPrintsWith56AfterOnlyTheStatusQuery) {
    passVersionGate();
    state().status = QV_STATUS_OVER_HEAT;
    const TextTestRequest r = request(50, 30, u"x");
    EXPECT_EQ(QVTextTestPrint(&r), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_PRINT_STATUS_IS_NOT_READY);
    qv::setError(0);
    EXPECT_EQ(QVSelfTestPrint(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_PRINT_STATUS_IS_NOT_READY);
    const auto received = printer->received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].bytes, kStatusQuery);
    EXPECT_EQ(received[1].bytes, kStatusQuery);
    EXPECT_EQ(state().selfTests, 0);
    EXPECT_TRUE(pauses.empty());
}

TEST_F(TestPrintsTest, NullRequestIsNoticedOnlyAfterTheStatusQuery) {
    passVersionGate();
    EXPECT_EQ(QVTextTestPrint(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_EQ(commands(), std::vector<Bytes>{kStatusQuery});
}

TEST_F(TestPrintsTest, NullRequestWithoutAPrinterFailsWith50) {
    faults().absent = true;
    EXPECT_EQ(QVTextTestPrint(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_EQ(QVSelfTestPrint(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_TRUE(printer->received().empty());
}

TEST_F(TestPrintsTest, SelfTestSendsTheCommandPausesThenSendsTheWholeJob) {
    passVersionGate();
    ASSERT_EQ(QVSelfTestPrint(), 1);
    ASSERT_EQ(pauses, std::vector<std::chrono::milliseconds>{qv::selftest::kJobPause});
    EXPECT_EQ(qv::selftest::kJobPause, std::chrono::milliseconds(2000));
    const auto received = printer->received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].bytes, kStatusQuery);
    EXPECT_EQ(received[1].bytes, kSelfTestCommand);
    EXPECT_EQ(receivedAtPause, 2u) << "the pause comes between the command and the job";
    EXPECT_EQ(received[2].kind, Received::Kind::job);
    const auto expected = qv::selftest::headTestJob();
    EXPECT_EQ(received[2].size, 74977u);
    EXPECT_EQ(received[2].bytes, Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(state().selfTests, 1);
    EXPECT_EQ(qv::linkState().lastKind, 0);
}

TEST_F(TestPrintsTest, SelfTestJobWriteFailureLeavesTheCommandAlone) {
    passVersionGate();
    unplugDuringPause = true;
    EXPECT_EQ(QVSelfTestPrint(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(commands().back(), kSelfTestCommand);
    EXPECT_TRUE(jobs().empty());
}

TEST_F(TestPrintsTest, EmptyJobIsRefusedWithoutACodeBeforeTheCommand) {
    passVersionGate();
    qv::setError(QV_ERR_WRITE_USB_FAIL);
    qv::selftest::setJobForTesting(std::span<const uint8_t>{});
    EXPECT_EQ(QVSelfTestPrint(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_WRITE_USB_FAIL);
    EXPECT_EQ(commands(), std::vector<Bytes>{kStatusQuery});
}

TEST_F(TestPrintsTest, SelfTestPausesTwoRealSeconds) {
    qv::selftest::setPauseForTesting(nullptr);
    passVersionGate();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(QVSelfTestPrint(), 1);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(2000));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
    EXPECT_EQ(jobs().size(), 1u);
}

}  // namespace
