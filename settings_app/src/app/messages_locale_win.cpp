// The process locale for the catalogs on Windows. gettext takes the language from LANGUAGE,
// LC_ALL, LC_MESSAGES or LANG in the environment, else from the user's Windows language; the C
// runtime has no messages category, so the choice is made on those variables.
#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "app/messages_locale.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace app {

namespace {

// The variable gettext reads the messages locale from, and its value; none when unset.
const char* messagesVariable() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return name;
        }
    }
    return nullptr;
}

// The user's Windows language as gettext names it ("zh_CN").
std::string windowsLanguage() {
    std::array<char, 16> language{};
    std::array<char, 16> country{};
    const LCID user = GetUserDefaultLCID();
    if (GetLocaleInfoA(user, LOCALE_SISO639LANGNAME, language.data(),
                       static_cast<int>(language.size())) == 0) {
        return {};
    }
    std::string name(language.data());
    if (GetLocaleInfoA(user, LOCALE_SISO3166CTRYNAME, country.data(),
                       static_cast<int>(country.size())) != 0) {
        name += '_';
        name += country.data();
    }
    return name;
}

// gettext never translates in the C locale and ignores LANGUAGE there: a plain C messages
// variable becomes C.UTF-8, which it treats as a locale like any other.
void keepEnglishInCLocale() {
    const char* variable = messagesVariable();
    if (variable == nullptr) {
        return;
    }
    const char* value = std::getenv(variable);
    if (value != nullptr && (std::strcmp(value, "C") == 0 || std::strcmp(value, "POSIX") == 0)) {
        _putenv_s(variable, "C.UTF-8");
    }
}

// A language without a catalog of ours would show empty texts: English ends the search list.
// The user's own choice (LANGUAGE, else the messages locale, else Windows' language) stays in
// front.
void endLanguageListWithEnglish() {
    const char* language = std::getenv("LANGUAGE");
    std::optional<std::string> list;
    if (language != nullptr && *language != '\0') {
        list = languageListEndingWithEnglish(language, nullptr);
    } else if (const char* variable = messagesVariable()) {
        list = languageListEndingWithEnglish(nullptr, std::getenv(variable));
    } else {
        list = languageListEndingWithEnglish(windowsLanguage().c_str(), nullptr);
    }
    if (list.has_value()) {
        _putenv_s("LANGUAGE", list->c_str());
    }
}

}  // namespace

void useUserLocaleForMessages() {
    // The C runtime's categories from the user's settings (number formatting included).
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
    keepEnglishInCLocale();
    endLanguageListWithEnglish();
}

}  // namespace app
