// The two generic queries of the command protocol.
#pragma once

#include <cstdint>

namespace qv {

// Sends 1F 1B 1A group 01 selector and decodes a numeric reply into out (unchanged for an
// unknown length byte). Errors 50, 51, 53.
bool queryNumber(uint8_t group, uint8_t selector, int32_t& out);
// Sends 1F 1B 1A 04 01 selector and decodes a text reply into out (64 units, terminated).
bool queryText(uint8_t selector, char16_t* out);

inline constexpr uint8_t kGroupStatus = 0x04;
inline constexpr uint8_t kSelectorType = 0;
inline constexpr uint8_t kSelectorStatus = 1;
inline constexpr uint8_t kSelectorSerial = 2;
inline constexpr uint8_t kSelectorFirmware = 3;
inline constexpr uint8_t kSelectorPrintedLength = 4;

// The status query that the test prints and label learning run first.
inline bool queryStatus(int32_t& status) {
    return queryNumber(kGroupStatus, kSelectorStatus, status);
}

}  // namespace qv
