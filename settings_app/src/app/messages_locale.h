// The process locale for the catalogs, shared by the program and the command-line tool: the
// user's locale, English whenever the user's language has no catalog of ours.
#pragma once

#include <optional>
#include <string>

namespace app {

// setlocale(LC_ALL, "") (the plain C locale when the user's is not installed). gettext never
// translates in the C locale, so a plain C, POSIX or C.UTF-8 messages locale becomes C.UTF-8
// (with a UTF-8 character type) and English ends the LANGUAGE search list, after the user's own
// choice.
void useUserLocaleForMessages();

// The C locale under any of its names, C.UTF-8 included (and no name at all): none of them
// selects a language.
bool isPlainCLocale(const char* name);

// The LANGUAGE search list that keeps the user's choice in front and ends with English: the
// choice is `language` (LANGUAGE's value) when set, else the language of `messagesLocale` (its
// codeset and modifier cut off). Nothing when the list already ends with English.
std::optional<std::string> languageListEndingWithEnglish(const char* language,
                                                         const char* messagesLocale);

}  // namespace app
