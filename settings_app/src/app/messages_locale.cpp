#include "app/messages_locale.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

namespace app {

namespace {

// gettext never translates in the C locale. C.UTF-8 is not "C" to it, so with that messages
// locale (and English in the search list, below) the English catalog is found; a UTF-8 character
// type lets the library convert the texts.
void keepEnglishInCLocale() {
    if (!isPlainCLocale(std::setlocale(LC_MESSAGES, nullptr))) {
        return;
    }
    if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) {
        return;
    }
    if (isPlainCLocale(std::setlocale(LC_CTYPE, nullptr))) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
}

// A language without a catalog of ours would show empty texts: English ends the search list.
// The user's own choice (LANGUAGE, else the messages locale) stays in front.
void endLanguageListWithEnglish() {
    if (const std::optional<std::string> list = languageListEndingWithEnglish(
            std::getenv("LANGUAGE"), std::setlocale(LC_MESSAGES, nullptr))) {
        setenv("LANGUAGE", list->c_str(), 1);
    }
}

}  // namespace

void useUserLocaleForMessages() {
    // A locale that is not installed leaves the process in the plain C locale.
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
    keepEnglishInCLocale();
    endLanguageListWithEnglish();
}

}  // namespace app
