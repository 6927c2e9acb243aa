// Binding the message catalog on Windows: the Lang folder beside the program, bound through the
// libintl functions the link library exports (a second libintl in the program would keep its own
// binding, and every lookup in the library would miss it).
#include <libintl.h>

#include <array>
#include <string>

#include "app/catalog.h"
#include "app/messages_locale.h"
#include "ui/message_loop.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace app {

namespace {

// The program's path in the ANSI code page, which libintl opens files with; the short form of
// the path when the long one has characters that code page cannot hold.
std::optional<std::string> narrowPath(const std::wstring& path) {
    const auto convert = [](const std::wstring& wide) -> std::optional<std::string> {
        BOOL lossy = FALSE;
        const int n =
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(),
                                static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
        if (n <= 0 || lossy != FALSE) {
            return std::nullopt;
        }
        std::string narrow(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(),
                            static_cast<int>(wide.size()), narrow.data(), n, nullptr, &lossy);
        return narrow;
    };
    if (std::optional<std::string> narrow = convert(path)) {
        return narrow;
    }
    std::array<wchar_t, MAX_PATH> shortPath{};
    const DWORD n =
        GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (n == 0 || n >= shortPath.size()) {
        return std::nullopt;
    }
    return convert(std::wstring(shortPath.data(), n));
}

}  // namespace

std::optional<std::string> programCatalogFolder() {
    std::array<wchar_t, kCatalogPathBytes> path{};
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) {
        return catalogFolderFor("");
    }
    if (n >= path.size() - 1) {
        return std::nullopt;  // possibly cut short: refuse rather than bind a wrong folder
    }
    const std::optional<std::string> narrow = narrowPath(std::wstring(path.data(), n));
    if (!narrow.has_value()) {
        return std::nullopt;
    }
    return chooseCatalogFolder(*narrow);
}

std::optional<std::string> catalogFolderFor(std::string_view programPath) {
    const std::size_t slash = programPath.find_last_of("\\/");
    std::string folder(slash == std::string_view::npos ? std::string_view()
                                                       : programPath.substr(0, slash + 1));
    folder += "Lang\\";
    if (folder.size() + 1 > kCatalogPathBytes) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::string> chooseCatalogFolder(std::string_view programPath) {
    // A Windows program keeps its catalogs beside itself, installed or not.
    return catalogFolderFor(programPath);
}

std::string chosenLanguage() {
    // The header entry of the catalog gettext found names its language. Only gettext itself is
    // exported, so the lookup goes through the text domain bound above.
    const std::string_view header = gettext("");
    constexpr std::string_view kField = "Language: ";
    const std::size_t at = header.find(kField);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::string_view rest = header.substr(at + kField.size());
    return std::string(rest.substr(0, rest.find('\n')));
}

}  // namespace app
