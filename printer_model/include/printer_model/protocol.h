// The printer's USB ids and the bytes of its command protocol: lead-in, command groups and the
// selectors within them. One definition for the library, its simulated printer and the tools.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qv::model {

// As the kernel's sysfs writes them (idVendor, idProduct): four lower-case hex digits.
inline constexpr uint16_t kUsbVendorId = 0x0FE6;
inline constexpr uint16_t kUsbProductId = 0x811E;
inline constexpr std::string_view kUsbVendorIdText = "0fe6";
inline constexpr std::string_view kUsbProductIdText = "811e";

// Every command packet starts with these three bytes, then group, parameter count, parameters.
inline constexpr std::array<uint8_t, 3> kLeadIn{0x1F, 0x1B, 0x1A};
inline constexpr std::size_t kCommandHeaderSize = 5;
// Firmware images go out as 1F 75, a 32-bit size (high byte first) and the image.
inline constexpr uint8_t kFirmwareLead = 0x75;

namespace group {
inline constexpr uint8_t kWriteSettings = 0x00;  // the fifteen print-setting bytes
inline constexpr uint8_t kControl = 0x01;        // factory restore, connection check, buzzer
inline constexpr uint8_t kLearning = 0x02;       // lack-paper learning
inline constexpr uint8_t kPosition = 0x03;       // location, self test, bad points, dump mode
inline constexpr uint8_t kQuery = 0x04;          // identity and status
inline constexpr uint8_t kReadSettings = 0x05;   // the stored print settings
}  // namespace group

// First parameter byte within a group.
namespace selector {
// group::kQuery
inline constexpr uint8_t kPrinterType = 0;
inline constexpr uint8_t kStatus = 1;
inline constexpr uint8_t kSerialNumber = 2;
inline constexpr uint8_t kFirmwareVersion = 3;
inline constexpr uint8_t kPrintedLength = 4;
// group::kControl
inline constexpr uint8_t kBuzzer = 0;
inline constexpr uint8_t kFactoryRestore = 1;
inline constexpr uint8_t kConnectionCheck = 2;
// group::kPosition
inline constexpr uint8_t kLabelLearning = 0;
inline constexpr uint8_t kSelfTest = 1;
inline constexpr uint8_t kDumpMode = 2;
inline constexpr uint8_t kBadPointCheck = 3;
// group::kLearning
inline constexpr uint8_t kLackPaperLearning = 2;
// group::kReadSettings
inline constexpr uint8_t kReadAll = 0;
}  // namespace selector

// An acknowledgement is the lead-in, the group of the command, then these two bytes.
inline constexpr std::array<uint8_t, 2> kAckTail{0x01, 0x01};

}  // namespace qv::model
