// The process locale for the catalogs, shared by the program and the command-line tool: the
// user's locale, English whenever the user's language has no catalog of ours.
#pragma once

namespace app {

// setlocale(LC_ALL, "") (the plain C locale when the user's is not installed). gettext never
// translates in the C locale, so a plain C, POSIX or C.UTF-8 messages locale becomes C.UTF-8
// (with a UTF-8 character type) and English ends the LANGUAGE search list, after the user's own
// choice.
void useUserLocaleForMessages();

}  // namespace app
