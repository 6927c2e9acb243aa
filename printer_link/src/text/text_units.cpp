// Bounded handling of zero-terminated UTF-16 texts and UTF-8 decoding, the same on every
// platform.
#include <algorithm>

#include "text/codepage.h"

namespace qv::text {

namespace {

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<std::string> toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                return std::nullopt;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return std::nullopt;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xC0) == 0x80;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t c = 0;
        char32_t lowest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
            lowest = 0x10000;
        }
        // Take continuation bytes as long as they can still make a valid character; what was
        // taken up to the first that cannot is one ill-formed part, replaced by one "?".
        std::size_t taken = 1;
        bool valid = length != 0;
        while (valid && taken < length) {
            if (!continuation(i + taken)) {
                valid = false;
                break;
            }
            const char32_t next = (c << 6) | (byte(i + taken) & 0x3F);
            // Reject as early as the second byte: overlong forms, surrogates, beyond U+10FFFF.
            if (taken == 1 && ((length == 3 && lead == 0xE0 && byte(i + 1) < 0xA0) ||
                               (length == 3 && lead == 0xED && byte(i + 1) >= 0xA0) ||
                               (length == 4 && lead == 0xF0 && byte(i + 1) < 0x90) ||
                               (length == 4 && lead == 0xF4 && byte(i + 1) >= 0x90))) {
                valid = false;
                break;
            }
            c = next;
            ++taken;
        }
        if (valid && c >= lowest) {
            appendUtf16(out, c);
        } else {
            out += u'?';
        }
        i += taken;
    }
    return out;
}

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
    // copy_n, not memcpy: an empty view may hold no pointer at all.
    std::copy_n(text.begin(), n, destination);
    destination[n] = u'\0';
}

}  // namespace qv::text
