#include "text/codepage.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

namespace qv::text {
namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// An iconv descriptor that closes itself.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv's own failure value
        return cd_ != reinterpret_cast<iconv_t>(-1);
    }

    // Converts as much as converts; on an invalid or incomplete sequence stops there, unless
    // skipInvalid, in which case the offending input unit (of unitSize bytes) becomes "?".
    // unconverted, when given, receives the number of input bytes left over.
    std::string run(const char* input, std::size_t size, bool skipInvalid, std::size_t unitSize,
                    const std::string& replacement, std::size_t* unconverted = nullptr) {
        std::string out;
        if (unconverted != nullptr) {
            *unconverted = size;
        }
        if (!ok()) {
            return out;
        }
        std::array<char, 512> chunk{};
        char* in = const_cast<char*>(input);  // iconv's signature is not const-correct
        std::size_t left = size;
        while (left > 0) {
            char* dst = chunk.data();
            std::size_t room = chunk.size();
            const std::size_t rc = iconv(cd_, &in, &left, &dst, &room);
            out.append(chunk.data(), static_cast<std::size_t>(dst - chunk.data()));
            if (rc != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            if (!skipInvalid || left < unitSize) {
                break;
            }
            // An input unit the target cannot take even by transliteration: substitute it.
            out += replacement;
            in += unitSize;
            left -= unitSize;
        }
        // Flush any shift state.
        char* dst = chunk.data();
        std::size_t room = chunk.size();
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(chunk.data(), static_cast<std::size_t>(dst - chunk.data()));
        if (unconverted != nullptr) {
            *unconverted = left;
        }
        return out;
    }

  private:
    iconv_t cd_;
};

std::u16string bytesToUtf16(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}


}  // namespace

std::string processCodeset() {
    const char* codeset = nl_langinfo(CODESET);
    return (codeset != nullptr && *codeset != '\0') ? codeset : "ANSI_X3.4-1968";
}

std::optional<std::string> toProcessCodepage(std::u16string_view text) {
    const std::string codeset = processCodeset();
    const std::string target = codeset + "//TRANSLIT";
    Converter cv(target.c_str(), kUtf16);
    if (!cv.ok()) {
        return std::nullopt;
    }
    Converter question(codeset.c_str(), "ASCII");
    std::string replacement = "?";
    if (question.ok()) {
        const char q = '?';
        replacement = question.run(&q, 1, false, 1, {});
    }
    // Work on whole characters so that an unconvertible one is skipped as a unit.
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t units = 1;
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            units = 2;
        }
        const bool lone = (c >= 0xD800 && c <= 0xDFFF) && units == 1;
        std::string piece;
        if (!lone) {
            piece = cv.run(reinterpret_cast<const char*>(text.data() + i), units * 2, true,
                           units * 2, replacement);
        }
        out += piece.empty() ? replacement : piece;
        i += units;
    }
    return out;
}

std::optional<std::u16string> fromProcessCodepage(std::string_view text) {
    Converter cv(kUtf16, processCodeset().c_str());
    if (!cv.ok()) {
        return std::nullopt;
    }
    std::size_t unconverted = 0;
    std::string bytes = cv.run(text.data(), text.size(), false, 1, {}, &unconverted);
    if (unconverted != 0) {
        return std::nullopt;
    }
    return bytesToUtf16(bytes);
}

}  // namespace qv::text
