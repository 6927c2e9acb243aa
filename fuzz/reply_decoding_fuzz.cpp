// Any 64 bytes as the printer's reply, decoded as every query and the settings read decode it,
// and judged as every acknowledgement.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "packets.h"
#include "settings_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    qv::Reply reply{};
    std::copy_n(data, std::min(size, reply.size()), reply.begin());

    int32_t value = 0x5A5A5A5A;
    const auto kind = qv::packet::decodeNumber(reply, value);
    const uint8_t length = reply[4];
    if ((length <= 1) != (kind == qv::packet::NumberReply::tooShort)) {
        std::abort();
    }
    if (kind != qv::packet::NumberReply::value && value != 0x5A5A5A5A) {
        std::abort();  // an unknown length leaves the caller's number alone
    }

    const auto text = qv::packet::decodeText(reply);
    if (text.has_value() == (length <= 1)) {
        std::abort();
    }
    if (text && (text->size() > 58 || text->find('\0') != std::string::npos)) {
        std::abort();
    }

    PrintSettingParam settings{};
    qv::settings::decodePrintSettings(reply, settings);
    for (int32_t k = 0; k <= 8; ++k) {
        qv::settings::isAcknowledgement(k, reply);
    }
    return 0;
}
