// Message ids to display text through the current gettext domain, and error codes to their ids.
#include <libintl.h>

#include <array>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "QVSettingToolDll.h"
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

struct ErrorText {
    uint32_t code;
    const char* id;
};
constexpr std::array<ErrorText, 11> kErrorTexts = {{
    {0, "PO_QV_ERR_SUCCESS"},
    {1, "PO_QV_ERR_INVALID_PARAM"},
    {2, "PO_QV_ERR_FILE_NOT_FIND"},
    {3, "PO_QV_ERR_INVALID_FIRMWARE"},
    {50, "PO_QV_ERR_NOT_FINE_USB_PRINTER"},
    {51, "PO_QV_ERR_CANNOT_OPEN_USB_PRINTER"},
    {52, "PO_QV_ERR_WRITE_USB_FAIL"},
    {53, "PO_QV_ERR_READ_USB_FAIL"},
    {54, "PO_QV_ERR_READ_USB_BEYOND_MAX_TIME"},
    {55, "PO_QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT"},
    {56, "PO_QV_ERR_PRINT_STATUS_IS_NOT_READY"},
}};

// Cuts a code-page text to at most max bytes without splitting a character: what converts back
// whole is kept.
std::u16string fromCodepageBounded(const std::string& text, std::size_t max) {
    if (text.size() <= max) {
        return qv::text::fromProcessCodepage(text);
    }
    return qv::text::fromProcessCodepage(std::string_view(text).substr(0, max));
}

}  // namespace

QV_API QVWCHAR* BaseGetPOText(const char* id, QVWCHAR* text) {
    if (id == nullptr || text == nullptr) {
        qv::setError(QV_ERR_INVALID_PARAM);
        return nullptr;
    }
    // The round trip through the process code page decides what the operator can see: a
    // character the code page lacks comes back as its substitute.
    std::u16string translation;
    bool translated = false;
    try {
        const char* found = gettext(id);
        const std::u16string wide = qv::text::fromUtf8(found != nullptr ? found : id);
        const std::string work = qv::text::toProcessCodepage(wide);
        const std::size_t workLength = std::min(work.size(), kWorkBytes - 1);
        translated = std::string_view(work).substr(0, workLength) != std::string_view(id);
        if (translated) {
            translation = fromCodepageBounded(work, workLength);
        }
    } catch (const std::bad_alloc&) {
        return text;  // no memory for the conversions: the caller's buffer stays as it was
    }
    if (translated) {
        qv::text::copyTerminated(translation, text, kCallerUnits);
        return text;
    }
    // Only the table's first entry is ever examined.
    const auto& builtIn = kBuiltInTexts.front();
    if (std::strcmp(builtIn.id, id) == 0) {
        qv::text::copyTerminated(builtIn.text, text, kCallerUnits);
    }
    return text;
}

QV_API void BaseGetQVErrorString(int32_t code, QVWCHAR* text) {
    const auto unsignedCode = static_cast<uint32_t>(code);
    for (const auto& entry : kErrorTexts) {
        if (entry.code == unsignedCode) {
            BaseGetPOText(entry.id, text);
            return;
        }
    }
}
