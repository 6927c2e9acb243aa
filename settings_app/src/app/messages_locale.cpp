#include "app/messages_locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace app {

namespace {

// The C locale under any of its names, C.UTF-8 included: none of them selects a language.
bool isPlainC(const char* name) {
    if (name == nullptr) {
        return true;
    }
    for (const char* plain : {"C", "POSIX", "C.UTF-8", "C.utf8"}) {
        if (std::strcmp(name, plain) == 0) {
            return true;
        }
    }
    return false;
}

// gettext never translates in the C locale. C.UTF-8 is not "C" to it, so with that messages
// locale (and English in the search list, below) the English catalog is found; a UTF-8 character
// type lets the library convert the texts.
void keepEnglishInCLocale() {
    if (!isPlainC(std::setlocale(LC_MESSAGES, nullptr))) {
        return;
    }
    if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) {
        return;
    }
    if (isPlainC(std::setlocale(LC_CTYPE, nullptr))) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
}

// A language without a catalog of ours would show empty texts: English ends the search list.
// The user's own choice (LANGUAGE, else the messages locale) stays in front.
void endLanguageListWithEnglish() {
    const char* language = std::getenv("LANGUAGE");
    std::string value;
    if (language != nullptr && *language != '\0') {
        value = language;
    } else {
        const char* messages = std::setlocale(LC_MESSAGES, nullptr);
        if (!isPlainC(messages)) {
            value = messages;
            value = value.substr(0, value.find_first_of(".@"));
        }
    }
    if (value == "en" || (value.size() > 3 && value.ends_with(":en"))) {
        return;
    }
    value = value.empty() ? "en" : value + ":en";
    setenv("LANGUAGE", value.c_str(), 1);
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
