#include "dialogs/text_buffer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cuchar>
#include <cwchar>

namespace dialogs {

namespace {

std::size_t terminatedLength(std::span<const QVWCHAR> buffer) {
    std::size_t n = 0;
    while (n < buffer.size() && buffer[n] != 0) {
        ++n;
    }
    return n;
}

}  // namespace

void appendText(std::span<QVWCHAR> buffer, std::u16string_view text) {
    if (buffer.empty()) {
        return;
    }
    std::size_t at = terminatedLength(buffer);
    if (at == buffer.size()) {
        at = buffer.size() - 1;
    }
    for (char16_t c : text) {
        if (at + 1 >= buffer.size()) {
            break;
        }
        buffer[at++] = c;
    }
    buffer[at] = 0;
}

void formatDecimal(std::span<QVWCHAR> buffer, int value, std::u16string_view suffix) {
    if (buffer.empty()) {
        return;
    }
    std::array<char, 16> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    std::size_t at = 0;
    for (const char* p = digits.data(); p != end && at + 1 < buffer.size(); ++p) {
        buffer[at++] = static_cast<QVWCHAR>(*p);
    }
    buffer[at] = 0;
    appendText(buffer, suffix);
}

void formatPrintedLength(std::span<QVWCHAR> buffer, int32_t hundredths) {
    if (buffer.empty()) {
        return;
    }
    // The quotient is rounded to single precision before formatting, as the printer's
    // figure always has been shown.
    const float metres = static_cast<float>(hundredths / 100.0);
    std::array<char, 64> narrow{};
    const int written =
        std::snprintf(narrow.data(), narrow.size(), "%.2f (m)", static_cast<double>(metres));
    const std::size_t length =
        written < 0 ? 0 : std::min(static_cast<std::size_t>(written), narrow.size() - 1);
    // From the process code page, as MultiByteToWideChar with the active code page does.
    std::mbstate_t state{};
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < length && out + 1 < buffer.size()) {
        char16_t unit = 0;
        const std::size_t r = std::mbrtoc16(&unit, narrow.data() + in, length - in, &state);
        if (r == static_cast<std::size_t>(-3)) {
            buffer[out++] = unit;  // second half of a surrogate pair
            continue;
        }
        if (r == 0 || r == static_cast<std::size_t>(-1) || r == static_cast<std::size_t>(-2)) {
            break;
        }
        buffer[out++] = unit;
        in += r;
    }
    buffer[out] = 0;
}

}  // namespace dialogs
