#include "packets.h"

#include <algorithm>
#include <cstring>

namespace qv::packet {
namespace {
constexpr std::size_t kHeaderSize = 5;
constexpr std::size_t kDataOffset = 6;
constexpr std::size_t kLengthOffset = 4;
}  // namespace

Command command(uint8_t group, std::initializer_list<uint8_t> params) {
    Command c;
    c.bytes[0] = kLeadIn[0];
    c.bytes[1] = kLeadIn[1];
    c.bytes[2] = kLeadIn[2];
    c.bytes[3] = group;
    const std::size_t n = std::min(params.size(), c.bytes.size() - kHeaderSize);
    c.bytes[4] = static_cast<uint8_t>(n);
    std::copy_n(params.begin(), n, c.bytes.begin() + kHeaderSize);
    c.size = kHeaderSize + n;
    return c;
}

bool isVersionQuery(std::span<const uint8_t> bytes) {
    static constexpr uint8_t kQuery[] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x03};
    return bytes.size() == sizeof kQuery && std::equal(bytes.begin(), bytes.end(), kQuery);
}

bool isFirmwarePacket(std::span<const uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x75;
}

NumberReply decodeNumber(const Reply& reply, int32_t& value) {
    const uint8_t length = reply[kLengthOffset];
    const auto byte = [&](std::size_t i) { return static_cast<uint32_t>(reply[kDataOffset + i]); };
    switch (length) {
        case 0:
        case 1:
            return NumberReply::tooShort;
        case 2:
            value = static_cast<int32_t>(byte(0));
            return NumberReply::value;
        case 3:
            value = static_cast<int32_t>(byte(0) | byte(1) << 8);
            return NumberReply::value;
        case 5:
            value = static_cast<int32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
            return NumberReply::value;
        default:
            return NumberReply::unknownLength;
    }
}

std::optional<std::string> decodeText(const Reply& reply) {
    const uint8_t length = reply[kLengthOffset];
    if (length <= 1) {
        return std::nullopt;
    }
    // A length byte beyond the reply keeps only what the reply holds (58 bytes).
    const std::size_t n = std::min<std::size_t>(length, reply.size() - kDataOffset);
    const auto* first = reply.data() + kDataOffset;
    const auto* end = std::find(first, first + n, uint8_t{0});
    return std::string(first, end);
}

int evaluateFirmwareVersion(const std::string& version) {
    const std::size_t n = version.size();
    // Too short to hold the three examined characters: treat as not obtained.
    if (n < 15) {
        return 0;
    }
    const auto c = [&](std::size_t fromEnd) {
        return static_cast<int>(static_cast<int8_t>(version[n - fromEnd]));
    };
    const int sum = 100 * c(15) + 10 * c(13) + c(12);
    return sum < 5433 ? 2 : 1;
}

}  // namespace qv::packet
