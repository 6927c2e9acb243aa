// Settings and maintenance commands against the simulated printer, and the acknowledgement reader.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "settings_packets.h"
#include "sim_fixture.h"

namespace {

using qv::sim::Bytes;
using Commands = std::vector<Bytes>;

const Bytes kStatusQuery = bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01});

class SettingsCommandsTest : public SimPrinterTest {
  protected:
    void useSilentFirmware() {
        printer->with(
            [](qv::sim::PrinterEngine& e) { e.runFirmware(qv::sim::kSilentFirmware, false); });
    }
};

TEST_F(SettingsCommandsTest, PrintSettingsWrittenThenReadBackThroughThePrinter) {
    passVersionGate();
    PrintSettingParam written{};
    written.printType = 1;
    written.powerOnPosition = 0;
    written.labelHeight = 400;
    written.paperType = 2;
    written.reprintWhenError = 1;
    written.preventSticker = 1;
    written.specialLabel = 0;
    written.printSpeed = 9;
    written.darkness = 15;
    written.hOrigin = 89;
    written.verticalOrigin = 12;
    written.printToStop = 0x85;
    written.preventTime = 255;
    ASSERT_EQ(QVSetPrintSetting(&written), 1);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0].size(), 20u);
    EXPECT_EQ(qv::linkState().lastKind, qv::settings::kKindPrintSetting);
    EXPECT_EQ(GetSettingResult(), 1);

    PrintSettingParam read{};
    ASSERT_EQ(QVGetPrinterPrintSettingParam(&read), 1);
    EXPECT_EQ(commands().back(), bytesOf({0x1F, 0x1B, 0x1A, 0x05, 0x01, 0x00}));
    PrintSettingParam expected = written;
    expected.printToStop = -5;
    EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0);
    EXPECT_EQ(BaseGetQVError(), 0);
}

struct CommandCase {
    const char* name;
    std::function<int32_t()> run;
    Bytes packet;
    int32_t kind;
};

TEST_F(SettingsCommandsTest, EachCommandSendsItsPacketRecordsItsKindAndIsAcknowledged) {
    static const uint8_t kBuzzerOff = 0;
    static const uint8_t kLabelLearning = 0;
    const CommandCase cases[] = {
        {"factory", [] { return QVRestoreFactorySettings(); },
         bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01}), 3},
        {"buzzer", [] { return QVSetUserDefSetting(&kBuzzerOff); },
         bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x02, 0x00, 0x00}), 2},
        {"location", [] { return QVSetLocationSetting(&kLabelLearning); },
         bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x00}), 4},
        // Only the low byte of the mode goes out.
        {"dump", [] { return QVSetDumpMode(0x0301); },
         bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x02, 0x02, 0x01}), 5},
        {"lack paper", [] { return QVLabelLackPaperLearn(); },
         bytesOf({0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x02}), 7},
    };
    passVersionGate();
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        printer->clearReceived();
        qv::linkState().lastKind = 0;
        ASSERT_EQ(c.run(), 1);
        ASSERT_FALSE(commands().empty());
        EXPECT_EQ(commands().back(), c.packet);
        EXPECT_EQ(qv::linkState().lastKind, c.kind);
        EXPECT_EQ(GetSettingResult(), 1);
    }
    const qv::sim::PrinterState s = state();
    EXPECT_EQ(s.buzzer, 0);
    EXPECT_EQ(s.factoryRestores, 1);
    EXPECT_EQ(s.labelLearnings, 1);
    EXPECT_EQ(s.dumpMode, 1);
    EXPECT_EQ(s.lackPaperLearnings, 1);
    EXPECT_EQ(BaseGetQVError(), 0);
}

TEST_F(SettingsCommandsTest, NullArgumentsFailWithCodeOneAndSendNothing) {
    EXPECT_EQ(QVSetPrintSetting(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    qv::setError(0);
    EXPECT_EQ(QVGetPrinterPrintSettingParam(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    qv::setError(0);
    EXPECT_EQ(QVSetUserDefSetting(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_TRUE(printer->received().empty());
    EXPECT_EQ(qv::linkState().lastKind, 0);
}

TEST_F(SettingsCommandsTest, NoPrinterFailsWith50BeforeAnythingIsSent) {
    faults().absent = true;
    const PrintSettingParam p{};
    const uint8_t buzzer = 1;
    for (const auto& run : std::vector<std::function<int32_t()>>{
             [&] { return QVSetPrintSetting(&p); }, [&] { return QVSetUserDefSetting(&buzzer); },
             [] { return QVRestoreFactorySettings(); }, [] { return QVSetDumpMode(1); }}) {
        qv::setError(0);
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    }
    EXPECT_EQ(qv::linkState().lastKind, 0);
}

TEST_F(SettingsCommandsTest, KindIsRecordedEvenWhenTheSendFails) {
    passVersionGate();
    faults().unopenable = true;
    EXPECT_EQ(QVSetDumpMode(1), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(qv::linkState().lastKind, qv::settings::kKindDumpMode);
}

TEST_F(SettingsCommandsTest, LackPaperLearningFirstAfterLoadingFindsThePrinterThroughTheGate) {
    ASSERT_EQ(QVLabelLackPaperLearn(), 1);
    EXPECT_EQ(commands(), (Commands{bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x03}),
                                    bytesOf({0x1F, 0x1B, 0x1A, 0x02, 0x01, 0x02})}));
    EXPECT_EQ(GetSettingResult(), 1);
}

TEST_F(SettingsCommandsTest, LackPaperLearningWithoutAPrinterFailsWith51) {
    faults().absent = true;
    EXPECT_EQ(QVLabelLackPaperLearn(), 0);
    // The gate's query failed with 50 first; the write's 51 replaces it.
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(qv::linkState().lastKind, qv::settings::kKindLackPaperLearn);
}

TEST_F(SettingsCommandsTest, LocationRefusedWith56WhenNotReadyAfterOnlyTheStatusQuery) {
    passVersionGate();
    state().status = QV_STATUS_LACK_PAPER;
    const uint8_t learning = 0;
    EXPECT_EQ(QVSetLocationSetting(&learning), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_PRINT_STATUS_IS_NOT_READY);
    EXPECT_EQ(commands(), Commands{kStatusQuery});
    EXPECT_EQ(state().labelLearnings, 0);
    EXPECT_EQ(qv::linkState().lastKind, 0);
}

TEST_F(SettingsCommandsTest, LocationWithNullPointerAsksForTheStatusFirst) {
    passVersionGate();
    EXPECT_EQ(QVSetLocationSetting(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_EQ(commands(), Commands{kStatusQuery});
}

TEST_F(SettingsCommandsTest, ReadSettingsFailedSendEndsTheCallWithoutReading) {
    passVersionGate();
    faults().unopenable = true;
    const int readsBefore = printer->reads();
    PrintSettingParam p{};
    EXPECT_EQ(QVGetPrinterPrintSettingParam(&p), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(printer->reads(), readsBefore);
}

TEST_F(SettingsCommandsTest, ReadSettingsReplyFaultsGive53AndLeaveTheRecord) {
    passVersionGate();
    PrintSettingParam p{};
    p.darkness = 99;
    faults().replyLengthByte = 1;
    EXPECT_EQ(QVGetPrinterPrintSettingParam(&p), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(p.darkness, 99);

    faults().replyLengthByte.reset();
    faults().noReply = true;
    qv::setError(0);
    EXPECT_EQ(QVGetPrinterPrintSettingParam(&p), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    EXPECT_EQ(p.darkness, 99);
}

// GetSettingResult

TEST_F(SettingsCommandsTest, AckAfterDumpModeAcceptsGroup3AndRejectsGroup1) {
    passVersionGate();
    faults().noAck = true;
    ASSERT_EQ(QVSetDumpMode(1), 1);
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01}));
    qv::setError(0);
    EXPECT_EQ(GetSettingResult(), 0);
    EXPECT_EQ(BaseGetQVError(), 0);  // a mismatch sets no code
    // The kind stays: a second call judges a second reply against the same command.
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x01}));
    EXPECT_EQ(GetSettingResult(), 1);
}

TEST_F(SettingsCommandsTest, WrongAcknowledgementFailsWithoutACode) {
    passVersionGate();
    faults().wrongAck = true;
    ASSERT_EQ(QVRestoreFactorySettings(), 1);
    EXPECT_EQ(GetSettingResult(), 0);
    EXPECT_EQ(BaseGetQVError(), 0);
}

TEST_F(SettingsCommandsTest, LateAcknowledgementSucceedsButLeavesTheFirstReadsError) {
    passVersionGate();
    for (int ackRead : {2, 3}) {
        SCOPED_TRACE(ackRead);
        faults().ackOnRead = ackRead;
        qv::setError(0);
        const int readsBefore = printer->reads();
        ASSERT_EQ(QVRestoreFactorySettings(), 1);
        EXPECT_EQ(GetSettingResult(), 1);
        EXPECT_EQ(printer->reads() - readsBefore, ackRead);
        EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
    }
}

TEST_F(SettingsCommandsTest, NoAcknowledgementInThreeReadsGives54) {
    passVersionGate();
    faults().noAck = true;
    ASSERT_EQ(QVRestoreFactorySettings(), 1);
    const int readsBefore = printer->reads();
    EXPECT_EQ(GetSettingResult(), 0);
    EXPECT_EQ(printer->reads() - readsBefore, 3);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_BEYOND_MAX_TIME);
}

TEST_F(SettingsCommandsTest, WithoutAnyCommandAReplyIsReadAndJudgedAFailure) {
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x00, 0x01, 0x01}));
    EXPECT_EQ(GetSettingResult(), 0);
    EXPECT_EQ(printer->pendingReplies(), 0u);
    EXPECT_EQ(BaseGetQVError(), 0);
}

TEST_F(SettingsCommandsTest, ModeOneSucceedsAtOnceEvenWithThePrinterUnplugged) {
    useSilentFirmware();
    ASSERT_EQ(QVRestoreFactorySettings(), 1);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
    ASSERT_EQ(qv::linkState().ackMode, qv::kAckNone);
    faults().unopenable = true;
    const int readsBefore = printer->reads();
    EXPECT_EQ(GetSettingResult(), 1);
    EXPECT_EQ(printer->reads(), readsBefore);
}

TEST_F(SettingsCommandsTest, ModeOneAfterADownloadSpendsOneReadAndIgnoresIt) {
    useSilentFirmware();
    passVersionGate();
    qv::linkState().lastKind = qv::settings::kKindFirmware;
    faults().noReply = true;
    const int readsBefore = printer->reads();
    EXPECT_EQ(GetSettingResult(), 1);
    EXPECT_EQ(printer->reads() - readsBefore, 1);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
}

TEST_F(SettingsCommandsTest, ModeUndeterminedStillReadsAndJudges) {
    // The gate's version reply is too short: mode 0, acknowledgements are read as in mode 2.
    faults().noReply = true;
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x04, 0x00}));
    ASSERT_EQ(QVRestoreFactorySettings(), 1);
    ASSERT_EQ(qv::linkState().ackMode, qv::kAckUndetermined);
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x03, 0x01, 0x01}));
    EXPECT_EQ(GetSettingResult(), 0);
    printer->pushReply(bytesOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01}));
    EXPECT_EQ(GetSettingResult(), 1);
}

}  // namespace
