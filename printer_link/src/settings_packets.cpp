#include "settings_packets.h"

namespace qv::settings {
namespace {

constexpr std::size_t kLengthOffset = 4;

uint8_t lowByte(unsigned value) {
    return static_cast<uint8_t>(value & 0xFFU);
}
uint8_t highByte(unsigned value) {
    return static_cast<uint8_t>((value >> 8) & 0xFFU);
}

uint16_t word(const Reply& reply, std::size_t offset) {
    return static_cast<uint16_t>(reply[offset] | (reply[offset + 1] << 8));
}

}  // namespace

packet::Command printSettingPacket(const PrintSettingParam& p) {
    return packet::command(
        kGroupPrintSetting,
        {p.printType, p.powerOnPosition, lowByte(p.labelHeight), highByte(p.labelHeight),
         p.paperType, p.reprintWhenError, p.preventSticker, p.specialLabel, p.printSpeed,
         p.darkness, p.hOrigin, p.verticalOrigin, lowByte(static_cast<uint16_t>(p.printToStop)),
         lowByte(p.preventTime), highByte(p.preventTime)});
}

int16_t decodeSignMagnitude(uint8_t code) {
    const auto magnitude = static_cast<int16_t>(code & 0x7F);
    return (code & 0x80) != 0 ? static_cast<int16_t>(-magnitude) : magnitude;
}

bool decodePrintSettings(const Reply& reply, PrintSettingParam& param) {
    if (reply[kLengthOffset] <= 1) {
        return false;
    }
    param.darkness = reply[5];
    param.printType = reply[6];
    param.powerOnPosition = reply[7];
    param.labelHeight = word(reply, 8);
    param.paperType = reply[10];
    param.reprintWhenError = reply[11];
    param.specialLabel = reply[12];
    param.preventSticker = reply[13];
    param.printSpeed = reply[14];
    param.hOrigin = reply[15];
    param.verticalOrigin = reply[16];
    param.printToStop = decodeSignMagnitude(reply[17]);
    param.preventTime = word(reply, 18);
    return true;
}

bool isAcknowledgement(int32_t kind, const Reply& reply) {
    if (kind == kKindFirmware) {
        return reply[0] == 0x1F && reply[1] == 0x75 && reply[2] == 0x01 && reply[3] == 0x01 &&
               reply[4] == 0x01;
    }
    uint8_t group = 0;
    switch (kind) {
        case kKindPrintSetting:
            group = kGroupPrintSetting;
            break;
        case kKindUserSetting:
        case kKindFactoryRestore:
            group = kGroupControl;
            break;
        case kKindLocation:
        case kKindDumpMode:
            group = kGroupPosition;
            break;
        case kKindLackPaperLearn:
            group = kGroupLearning;
            break;
        default:
            return false;
    }
    return reply[0] == packet::kLeadIn[0] && reply[1] == packet::kLeadIn[1] &&
           reply[2] == packet::kLeadIn[2] && reply[3] == group && reply[4] == 0x01 &&
           reply[5] == 0x01;
}

}  // namespace qv::settings
