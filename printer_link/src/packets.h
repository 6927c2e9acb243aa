// Pure packet building and reply decoding: no I/O, so the byte layouts are tested directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "link_state.h"

namespace qv::packet {

inline constexpr uint8_t kLeadIn[3] = {0x1F, 0x1B, 0x1A};

// A command packet built in a zero-filled 64-byte buffer; only size bytes are sent.
struct Command {
    std::array<uint8_t, kReplySize> bytes{};
    std::size_t size = 0;
    std::span<const uint8_t> span() const { return {bytes.data(), size}; }
};

// 1F 1B 1A group, parameter count, parameters.
Command command(uint8_t group, std::initializer_list<uint8_t> params);

bool isVersionQuery(std::span<const uint8_t> bytes);
bool isFirmwarePacket(std::span<const uint8_t> bytes);

enum class NumberReply { value, tooShort, unknownLength };
// Decodes a numeric reply by its length byte (offset 4); value only set for NumberReply::value.
NumberReply decodeNumber(const Reply& reply, int32_t& value);

// The text bytes of a reply (from offset 6, length byte at offset 4, at most 58 bytes, up to the
// first zero). Empty optional for a length byte of 0 or 1.
std::optional<std::string> decodeText(const Reply& reply);

// The firmware-version evaluation on a text in the process code page: 0 not obtained (too
// short), 1 acknowledges, 2 does not.
int evaluateFirmwareVersion(const std::string& version);

}  // namespace qv::packet
