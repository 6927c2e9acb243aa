// Conversions between UTF-16, UTF-8 and the process code page (the codeset of the C locale).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv::text {

// The codeset of the process locale, e.g. "UTF-8" or "ANSI_X3.4-1968".
std::string processCodeset();

// UTF-16 to the process code page. Characters it cannot represent become iconv's
// transliteration, or "?" where there is none. Unpaired surrogates become "?". Nothing when no
// converter for the code page can be opened.
std::optional<std::string> toProcessCodepage(std::u16string_view text);
// Process code page to UTF-16; nothing when any byte is invalid or incomplete in the code page
// (a text that does not convert is never taken for a shorter one), or when no converter opens.
std::optional<std::u16string> fromProcessCodepage(std::string_view text);
// Appends one code point (at most U+10FFFF) as UTF-8.
void appendUtf8(std::string& out, char32_t c);
// UTF-16 to UTF-8, strictly: nothing when the text holds an unpaired surrogate (a path with one
// names no file).
std::optional<std::string> toUtf8(std::u16string_view text);
// UTF-8 to UTF-16; every invalid or incomplete sequence (each maximal ill-formed part) becomes
// "?", so the rest of the text is kept.
std::u16string fromUtf8(std::string_view text);

// Length of a zero-terminated UTF-16 text, reading at most maxUnits units.
std::size_t boundedLength(const char16_t* text, std::size_t maxUnits);

// Copies at most capacity - 1 units (never splitting a surrogate pair) and a terminator.
void copyTerminated(std::u16string_view text, char16_t* destination, std::size_t capacity);

}  // namespace qv::text
