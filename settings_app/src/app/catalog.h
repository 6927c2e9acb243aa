// Binding the message catalog: the process locale and the "PrinterConfig" text domain in the
// Lang folder beside the program, or in the installed locale folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace app {

inline constexpr const char* kTextDomain = "PrinterConfig";
// The catalog folder is built in a buffer of this many bytes, terminator included.
inline constexpr std::size_t kCatalogPathBytes = 260;

// The program's folder with its trailing slash, then "Lang/"; "Lang/" for a path without any
// slash. Empty when the result and its terminator would not fit kCatalogPathBytes.
std::optional<std::string> catalogFolderFor(std::string_view programPath);

// The folder beside the program (catalogFolderFor) when it exists, as in the build tree; else the
// installed locale folder of the prefix, found relative to the program's folder. Empty when the
// folder and its terminator would not fit kCatalogPathBytes.
std::optional<std::string> chooseCatalogFolder(std::string_view programPath);

// The catalog folder of the running program (chooseCatalogFolder for its own path); empty when
// it cannot be told or does not fit. The platform's own.
std::optional<std::string> programCatalogFolder();

// setlocale(LC_ALL, ""), then bindtextdomain, textdomain and bind_textdomain_codeset("utf-8")
// for the catalog folder of the running program. In the C or POSIX locale (also when the
// user's locale is not installed) messages still come from the English catalog.
void bindCatalog();

// The language of the catalog gettext found for the process ("zh_CN", "en"); empty when it
// found none.
std::string chosenLanguage();

// Tests: binds this folder instead of the program's own; nullopt restores the program's.
void setCatalogFolderForTesting(std::optional<std::string> folder);

}  // namespace app
