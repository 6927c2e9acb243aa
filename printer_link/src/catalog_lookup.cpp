// Message ids to display text through the current gettext domain, and error codes to their ids.
#include <libintl.h>

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "QVSettingToolDll.h"
#include "catalog_lookup.h"
#include "error_message_ids.h"
#include "link_state.h"
#include "text/codepage.h"

namespace {

// Every caller passes at least 260 units; longer translations are cut to fit.
constexpr std::size_t kCallerUnits = 260;
// The translation in the process code page is held in 520 bytes with its terminator.
constexpr std::size_t kWorkBytes = 520;

struct BuiltInText {
    const char* id;
    const char16_t* text;
};
// Consulted only when the catalog has no translation.
constexpr std::array<BuiltInText, 1> kBuiltInTexts = {{{"PO_END_FLAG", u"End flag"}}};

// The longest prefix of a code-page text of at most max bytes that converts back whole: a cut
// never splits a character.
std::optional<std::u16string> fromCodepageBounded(std::string_view text, std::size_t max) {
    if (text.size() <= max) {
        return qv::text::fromProcessCodepage(text);
    }
    // No code page has characters longer than this; looking further back finds nothing new.
    constexpr std::size_t kLongestCharacter = 16;
    for (std::size_t cut = max; cut + kLongestCharacter > max && cut > 0; --cut) {
        if (auto wide = qv::text::fromProcessCodepage(text.substr(0, cut))) {
            return wide;
        }
    }
    return std::nullopt;
}

// The translation the operator sees, or nothing when there is none to show: no translation
// (gettext gave the id back), a translation equal to its id, or one that cannot be converted.
std::optional<std::u16string> translationOf(const char* id, const char* found) {
    if (found == nullptr || found == id) {
        return std::nullopt;
    }
    // The round trip through the process code page decides what the operator can see: a
    // character the code page lacks comes back as its substitute.
    const std::optional<std::string> work = qv::text::toProcessCodepage(qv::text::fromUtf8(found));
    if (!work || *work == std::string_view(id)) {
        return std::nullopt;
    }
    return fromCodepageBounded(*work, kWorkBytes - 1);
}

}  // namespace

namespace qv::catalog {

QVWCHAR* lookup(const char* id, const char* found, QVWCHAR* text) {
    std::optional<std::u16string> translation;
    try {
        translation = translationOf(id, found);
    } catch (...) {
        return text;  // no memory for the conversions: the caller's buffer stays as it was
    }
    if (translation) {
        qv::text::copyTerminated(*translation, text, kCallerUnits);
        return text;
    }
    // Only the table's first entry is ever examined.
    const auto& builtIn = kBuiltInTexts.front();
    if (std::strcmp(builtIn.id, id) == 0) {
        qv::text::copyTerminated(builtIn.text, text, kCallerUnits);
    }
    return text;
}

}  // namespace qv::catalog

QV_API QVWCHAR* BaseGetPOText(const char* id, QVWCHAR* text) {
    if (id == nullptr || text == nullptr) {
        qv::setError(QV_ERR_INVALID_PARAM);
        return nullptr;
    }
    return qv::catalog::lookup(id, gettext(id), text);
}

QV_API void BaseGetQVErrorString(int32_t code, QVWCHAR* text) {
    // Every code of the table is non-negative, so a negative code is outside it.
    if (const char* id = qv::errorMessageId(code)) {
        BaseGetPOText(id, text);
    }
}
