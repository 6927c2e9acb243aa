// Bounded handling of zero-terminated UTF-16 texts, the same on every platform.
#include <algorithm>
#include <cstring>

#include "text/codepage.h"

namespace qv::text {

std::size_t boundedLength(const char16_t* text, std::size_t maxUnits) {
    std::size_t n = 0;
    while (n < maxUnits && text[n] != u'\0') {
        ++n;
    }
    return n;
}

void copyTerminated(std::u16string_view text, char16_t* destination, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    std::size_t n = std::min(text.size(), capacity - 1);
    // Never leave half a surrogate pair at the cut.
    if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) {
        --n;
    }
    std::memcpy(destination, text.data(), n * sizeof(char16_t));
    destination[n] = u'\0';
}

}  // namespace qv::text
