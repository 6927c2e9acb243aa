// Code pages on Windows: the process code page is the active ANSI code page, and the system's
// own conversions decide substitutes (best fit where the code page has one, else its default
// character).
#include <windows.h>

#include <string>

#include "text/codepage.h"

namespace qv::text {
namespace {

// Converts to UTF-16 up to the first invalid or incomplete sequence, as the other platforms do.
std::u16string toUtf16(UINT codePage, std::string_view text) {
    for (std::size_t size = text.size(); size > 0; --size) {
        const int units = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                                static_cast<int>(size), nullptr, 0);
        if (units <= 0) {
            continue;  // the cut lies inside or after a faulty sequence: try a shorter prefix
        }
        std::u16string out(static_cast<std::size_t>(units), u'\0');
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(size),
                              reinterpret_cast<wchar_t*>(out.data()), units);
        return out;
    }
    return {};
}

}  // namespace

std::string processCodeset() {
    return "CP" + std::to_string(::GetACP());
}

std::string toProcessCodepage(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::u16string fromProcessCodepage(std::string_view text) {
    return toUtf16(CP_ACP, text);
}

std::u16string fromUtf8(std::string_view text) {
    return toUtf16(CP_UTF8, text);
}

}  // namespace qv::text
