// UTF-8 on the command line and the terminal, UTF-16 at the library's boundary.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv410 {

// Nothing when the bytes are not well-formed UTF-8 (overlong forms and surrogates included).
std::optional<std::u16string> utf8ToUtf16(std::string_view text);

// At most maxUnits units, stopping early at a terminator: the library's fixed text fields need
// not be terminated. An unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(const char16_t* text, std::size_t maxUnits);

}  // namespace qv410
