// Byte layouts of the settings commands: the print-settings write packet, the print-settings
// reply, the sign-magnitude print-to-stop byte and the acknowledgement each command expects.
// No I/O here, so the layouts are tested on their own.
#pragma once

#include <cstdint>

#include "QVSettingToolDll.h"
#include "link_state.h"
#include "packets.h"

namespace qv::settings {

// Last-operation kinds: which command GetSettingResult judges the acknowledgement against.
inline constexpr int32_t kKindNone = 0;
inline constexpr int32_t kKindPrintSetting = 1;
inline constexpr int32_t kKindUserSetting = 2;
inline constexpr int32_t kKindFactoryRestore = 3;
inline constexpr int32_t kKindLocation = 4;
inline constexpr int32_t kKindDumpMode = 5;
inline constexpr int32_t kKindFirmware = 6;
inline constexpr int32_t kKindLackPaperLearn = 7;

// Command groups of the settings and maintenance packets.
inline constexpr uint8_t kGroupPrintSetting = 0x00;
inline constexpr uint8_t kGroupControl = 0x01;   // user setting, factory restore
inline constexpr uint8_t kGroupLearning = 0x02;  // lack-paper learning
inline constexpr uint8_t kGroupPosition = 0x03;  // location, dump mode, self test
inline constexpr uint8_t kGroupReadSettings = 0x05;

// 1F 1B 1A 00 0F and the fifteen setting bytes (20 bytes). printToStop goes out as its low
// byte unchanged: the caller has already put it in sign-magnitude form.
packet::Command printSettingPacket(const PrintSettingParam& param);

// The printer's sign-magnitude byte as a true signed value (0x85 is -5, 0x80 is 0).
int16_t decodeSignMagnitude(uint8_t code);

// Fills every field of param from a print-settings reply (darkness first, special label before
// prevent glue). False, with param untouched, when the length byte is 0 or 1.
bool decodePrintSettings(const Reply& reply, PrintSettingParam& param);

// Whether reply is the acknowledgement of the command of kind; kinds 0 and above 7 match
// nothing.
bool isAcknowledgement(int32_t kind, const Reply& reply);

}  // namespace qv::settings
