// Any translation for any message id (very long, invalid UTF-8, format specifiers) through the
// lookup that BaseGetPOText runs on gettext's answer: the caller's 260 units are either left
// untouched or hold a terminated text, and nothing beyond them is written.
#include <algorithm>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog_lookup.h"
#include "text/codepage.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    if (std::setlocale(LC_ALL, "zh_CN.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Id and translation, split at the first zero byte; an input without one is its own id.
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    const std::string id = input.substr(0, cut);
    const std::string translation = cut == std::string::npos ? id : input.substr(cut + 1);
    const char* found = cut == std::string::npos ? id.c_str() : translation.c_str();

    constexpr std::size_t kUnits = 260;
    constexpr char16_t kFill = u'\xA5A5';
    char16_t buffer[kUnits + 8];
    std::fill(std::begin(buffer), std::end(buffer), kFill);
    if (qv::catalog::lookup(id.c_str(), found, buffer) != buffer) {
        std::abort();
    }
    for (std::size_t i = kUnits; i < kUnits + 8; ++i) {
        if (buffer[i] != kFill) {
            std::abort();  // written past the caller's buffer
        }
    }
    const bool untouched =
        std::all_of(buffer, buffer + kUnits, [](char16_t u) { return u == kFill; });
    if (!untouched && qv::text::boundedLength(buffer, kUnits) >= kUnits) {
        std::abort();  // no terminator within the buffer
    }
    if (found == id.c_str() && id != "PO_END_FLAG" && !untouched) {
        std::abort();  // no translation, yet something was written
    }
    return 0;
}
