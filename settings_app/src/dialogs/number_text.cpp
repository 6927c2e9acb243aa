#include "dialogs/number_text.h"

#include <limits>

namespace dialogs {

std::optional<int32_t> parseWholeNumber(std::u16string_view text, bool allowMinus) {
    bool negative = false;
    if (allowMinus && !text.empty() && text.front() == u'-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Held as a magnitude that stops growing once past the 32-bit range, however long the text.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (c - u'0');
        }
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<int32_t>::min()
                                   : static_cast<int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::max()
                               : static_cast<int32_t>(magnitude);
}

}  // namespace dialogs
