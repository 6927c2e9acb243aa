// What both platforms' choice of the messages locale share.
#include <cstring>

#include "app/messages_locale.h"

namespace app {

bool isPlainCLocale(const char* name) {
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

std::optional<std::string> languageListEndingWithEnglish(const char* language,
                                                         const char* messagesLocale) {
    std::string value;
    if (language != nullptr && *language != '\0') {
        value = language;
    } else if (!isPlainCLocale(messagesLocale)) {
        value = messagesLocale;
        value = value.substr(0, value.find_first_of(".@"));
    }
    if (value == "en" || (value.size() > 3 && value.ends_with(":en"))) {
        return std::nullopt;
    }
    return value.empty() ? std::string("en") : value + ":en";
}

}  // namespace app
