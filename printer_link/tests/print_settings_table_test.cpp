// The shared table of print settings against the library's own packet layouts: the write packet
// it builds and the reply it decodes must carry every setting where the table says.
#include <gtest/gtest.h>

#include "printer_model/print_settings.h"
#include "printer_model/protocol.h"
#include "settings_packets.h"

namespace {

namespace model = qv::model;

// Every setting at a value of its own, both ends of the signed one among them.
model::SettingValues distinctValues(int printToStop) {
    model::SettingValues values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const model::PrintSetting& s = model::kPrintSettings[i];
        values[i] = s.encoding == model::Encoding::signMagnitude ? printToStop
                                                                 : s.max - static_cast<int>(i % 2);
    }
    return values;
}

TEST(SettingsTable, WritePacketOfTheLibraryIsTheTableLayout) {
    for (const int printToStop : {-89, -5, 0, 89}) {
        const model::SettingValues values = distinctValues(printToStop);
        const auto packet =
            qv::settings::printSettingPacket(model::recordOf(values, model::RecordForm::toWrite));
        ASSERT_EQ(packet.size, model::kCommandHeaderSize + model::kSettingBytes);
        EXPECT_EQ(packet.bytes[3], model::group::kWriteSettings);
        const model::SettingBytes expected = model::encodeSettings(values, false);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(packet.bytes[model::kCommandHeaderSize + i], expected[i]) << i;
        }
        const std::span<const uint8_t, model::kSettingBytes> body(
            packet.bytes.data() + model::kCommandHeaderSize, model::kSettingBytes);
        EXPECT_EQ(model::decodeSettings(body, false), values);
    }
}

TEST(SettingsTable, ReplyDecodedByTheLibraryIsTheTableLayout) {
    for (const int printToStop : {-89, -1, 0, 1, 89}) {
        const model::SettingValues values = distinctValues(printToStop);
        qv::Reply reply{};
        reply[3] = model::group::kReadSettings;
        reply[4] = model::kSettingBytes;
        const model::SettingBytes body = model::encodeSettings(values, true);
        std::copy(body.begin(), body.end(), reply.begin() + model::kReplySettingsOffset);
        PrintSettingParam record{};
        ASSERT_TRUE(qv::settings::decodePrintSettings(reply, record));
        EXPECT_EQ(model::valuesOf(record), values) << printToStop;
    }
}

TEST(SettingsTable, SignMagnitudeAndFactoryValues) {
    EXPECT_EQ(model::encodeSignMagnitude(-5), 0x85);
    EXPECT_EQ(model::encodeSignMagnitude(-89), 0xD9);
    EXPECT_EQ(model::decodeSignMagnitude(0x80), 0);
    EXPECT_EQ(model::decodeSignMagnitude(0x85), -5);
    // The record handed to the write export carries the code; the one read back the value.
    model::SettingValues values = model::factoryValues();
    values[model::settingIndex("printToStop")] = -5;
    EXPECT_EQ(model::recordOf(values, model::RecordForm::toWrite).printToStop, 0x85);
    EXPECT_EQ(model::recordOf(values, model::RecordForm::asRead).printToStop, -5);
    for (std::size_t i = 0; i < model::kPrintSettings.size(); ++i) {
        EXPECT_TRUE(model::inRange(model::kPrintSettings[i], model::factoryValues()[i]))
            << model::kPrintSettings[i].name;
    }
    // Both layouts use each of the fifteen bytes exactly once.
    for (const bool read : {false, true}) {
        std::array<int, model::kSettingBytes> uses{};
        for (const model::PrintSetting& s : model::kPrintSettings) {
            const std::size_t at = read ? s.readOffset : s.writeOffset;
            ++uses.at(at);
            if (s.encoding == model::Encoding::word) {
                ++uses.at(at + 1);
            }
        }
        for (const int n : uses) {
            EXPECT_EQ(n, 1);
        }
    }
}

}  // namespace
