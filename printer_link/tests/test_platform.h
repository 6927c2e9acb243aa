// What the tests need from the platform's locale machinery, one implementation per platform
// (test_platform_posix.cpp, test_platform_win.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qv::testing {

// From now on catalog lookups follow this language (e.g. "en_US") and the process code page holds
// Latin letters with accents. False when the platform cannot provide that.
bool useLanguage(const char* language);
// Back to the locale the process started with.
void restoreLocale();

// A process code page that lacks accented letters and CJK, where the platform can switch to one
// at run time; false where the code page is fixed for the process (Windows: the ANSI code page).
bool useAsciiCodePage();

// Whether the process code page holds CJK characters once useLanguage("en_US") has run (UTF-8
// does; the ANSI code page of an English Windows does not).
bool codePageHoldsCjk();

// The bytes the process code page gives for "Caf\u00e9 \u6e29" once useLanguage has run: UTF-8
// where the locale can be UTF-8, the ANSI code page (1252 for English) elsewhere.
std::string cafeInProcessCodePage();

// A byte that is invalid in the process code page once useLanguage("en_US") has run; nothing
// where every byte is a character there (a single-byte ANSI code page may define them all).
std::optional<std::string> byteInvalidInProcessCodePage();

// A fresh, empty folder of its own below the temporary folder.
std::filesystem::path makeTemporaryDirectory();

// Creates (or truncates) a file of size bytes without writing them; false where the file system
// takes no such file.
bool makeSparseFile(const std::filesystem::path& path, uint64_t size);

// Things in dir that a firmware download must refuse, made by the platform's own means, with the
// error code each gives (2: cannot be opened, 3: opens but cannot be read as a whole).
struct UnusableFile {
    std::string what;
    std::filesystem::path path;
    int32_t code;
};
std::vector<UnusableFile> makeUnusableFiles(const std::filesystem::path& dir);

}  // namespace qv::testing
