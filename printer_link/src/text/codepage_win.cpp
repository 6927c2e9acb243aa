// Code pages on Windows: the process code page is the active ANSI code page, and the system's
// own conversions decide substitutes (best fit where the code page has one, else its default
// character).
#include <windows.h>

#include <optional>
#include <string>

#include "text/codepage.h"

namespace qv::text {
namespace {

// Converts the whole text to UTF-16, or nothing when any byte is invalid or incomplete in the
// code page: a text that does not convert is never taken for a shorter one.
std::optional<std::u16string> toUtf16(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return std::u16string();
    }
    const int units = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                            static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::u16string out(static_cast<std::size_t>(units), u'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                          static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(out.data()),
                          units);
    return out;
}

}  // namespace

std::string processCodeset() {
    return "CP" + std::to_string(::GetACP());
}

std::optional<std::string> toProcessCodepage(std::u16string_view text) {
    if (text.empty()) {
        return std::string();
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::optional<std::u16string> fromProcessCodepage(std::string_view text) {
    return toUtf16(CP_ACP, text);
}

}  // namespace qv::text
