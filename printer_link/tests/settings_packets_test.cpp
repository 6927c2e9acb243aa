// Byte layouts of the settings commands, without a printer.
#include <gtest/gtest.h>

#include <vector>

#include "settings_packets.h"

namespace {

using qv::Reply;
namespace settings = qv::settings;

std::vector<uint8_t> bytesOf(const qv::packet::Command& c) {
    const auto s = c.span();
    return {s.begin(), s.end()};
}

Reply replyOf(std::initializer_list<uint8_t> leading) {
    Reply r{};
    std::copy(leading.begin(), leading.end(), r.begin());
    return r;
}

TEST(PrintSettingPacket, FieldsInWriteOrderLowByteFirst) {
    PrintSettingParam p{};
    p.printType = 1;
    p.powerOnPosition = 2;
    p.labelHeight = 400;
    p.paperType = 3;
    p.reprintWhenError = 4;
    p.preventSticker = 5;
    p.specialLabel = 6;
    p.printSpeed = 7;
    p.darkness = 8;
    p.hOrigin = 9;
    p.verticalOrigin = 10;
    p.printToStop = 0x85;  // the caller's sign-magnitude code for -5
    p.preventTime = 255;
    EXPECT_EQ(bytesOf(settings::printSettingPacket(p)),
              (std::vector<uint8_t>{0x1F, 0x1B, 0x1A, 0x00, 0x0F, 1, 2,  0x90, 0x01, 3,
                                    4,    5,    6,    7,    8,    9, 10, 0x85, 0xFF, 0x00}));
}

TEST(SignMagnitude, DecodesToATrueSignedValue) {
    EXPECT_EQ(settings::decodeSignMagnitude(0x85), -5);
    EXPECT_EQ(settings::decodeSignMagnitude(0x05), 5);
    EXPECT_EQ(settings::decodeSignMagnitude(0x80), 0);
    EXPECT_EQ(settings::decodeSignMagnitude(0xD9), -89);
    EXPECT_EQ(settings::decodeSignMagnitude(0x59), 89);
    EXPECT_EQ(settings::decodeSignMagnitude(0xFF), -127);
}

TEST(PrintSettingReply, DarknessFirstAndSpecialLabelBeforePreventGlue) {
    const Reply r = replyOf({0x1F, 0x1B, 0x1A, 0x05, 0x0F, 0x08, 0x00, 0x01, 0x90, 0x01,
                             0x02, 0x01, 0x01, 0x00, 0x09, 0x11, 0x22, 0x85, 0x34, 0x12});
    PrintSettingParam p{};
    ASSERT_TRUE(settings::decodePrintSettings(r, p));
    EXPECT_EQ(p.darkness, 8);
    EXPECT_EQ(p.printType, 0);
    EXPECT_EQ(p.powerOnPosition, 1);
    EXPECT_EQ(p.labelHeight, 400);
    EXPECT_EQ(p.paperType, 2);
    EXPECT_EQ(p.reprintWhenError, 1);
    EXPECT_EQ(p.specialLabel, 1);
    EXPECT_EQ(p.preventSticker, 0);
    EXPECT_EQ(p.printSpeed, 9);
    EXPECT_EQ(p.hOrigin, 0x11);
    EXPECT_EQ(p.verticalOrigin, 0x22);
    EXPECT_EQ(p.printToStop, -5);
    EXPECT_EQ(p.preventTime, 0x1234);
}

TEST(PrintSettingReply, LengthByteZeroOrOneIsRefusedAndLeavesTheRecord) {
    for (uint8_t length : {0, 1}) {
        PrintSettingParam p{};
        p.darkness = 42;
        EXPECT_FALSE(
            settings::decodePrintSettings(replyOf({0x1F, 0x1B, 0x1A, 0x05, length, 9}), p));
        EXPECT_EQ(p.darkness, 42);
    }
}

struct AckCase {
    int32_t kind;
    uint8_t group;
};

TEST(Acknowledgement, EachKindAcceptsOnlyItsOwnGroup) {
    const AckCase cases[] = {{1, 0x00}, {2, 0x01}, {3, 0x01}, {4, 0x03}, {5, 0x03}, {7, 0x02}};
    for (const AckCase& c : cases) {
        SCOPED_TRACE(c.kind);
        for (uint8_t group = 0; group <= 5; ++group) {
            const Reply ack = replyOf({0x1F, 0x1B, 0x1A, group, 0x01, 0x01, 0xEE});
            EXPECT_EQ(settings::isAcknowledgement(c.kind, ack), group == c.group) << int{group};
        }
        EXPECT_FALSE(
            settings::isAcknowledgement(c.kind, replyOf({0x1F, 0x1B, 0x1A, c.group, 0x01})));
        EXPECT_FALSE(
            settings::isAcknowledgement(c.kind, replyOf({0x1F, 0x1B, 0x1A, c.group, 0x02, 0x01})));
        EXPECT_FALSE(
            settings::isAcknowledgement(c.kind, replyOf({0x1F, 0x1B, 0x1B, c.group, 0x01, 0x01})));
        EXPECT_FALSE(settings::isAcknowledgement(c.kind, replyOf({0x1F, 0x75, 0x01, 0x01, 0x01})));
    }
}

TEST(Acknowledgement, FirmwareExpects1F75010101) {
    EXPECT_TRUE(settings::isAcknowledgement(6, replyOf({0x1F, 0x75, 0x01, 0x01, 0x01, 0x55})));
    EXPECT_FALSE(settings::isAcknowledgement(6, replyOf({0x1F, 0x75, 0x01, 0x01, 0x00})));
    EXPECT_FALSE(settings::isAcknowledgement(6, replyOf({0x1F, 0x75, 0x01, 0x00, 0x01})));
    EXPECT_FALSE(settings::isAcknowledgement(6, replyOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01})));
}

TEST(Acknowledgement, NoKindOrAnUnknownKindMatchesNothing) {
    const Reply replies[] = {replyOf({0x1F, 0x1B, 0x1A, 0x00, 0x01, 0x01}),
                             replyOf({0x1F, 0x1B, 0x1A, 0x01, 0x01, 0x01}),
                             replyOf({0x1F, 0x75, 0x01, 0x01, 0x01}), Reply{}};
    for (int32_t kind : {0, 8, -1, 1000}) {
        for (const Reply& r : replies) {
            EXPECT_FALSE(settings::isAcknowledgement(kind, r)) << kind;
        }
    }
}

}  // namespace
