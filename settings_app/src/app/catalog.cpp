#include "app/catalog.h"

#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "app/messages_locale.h"
#include "ui/message_loop.h"

namespace app {

std::optional<std::string> programCatalogFolder() {
    std::array<char, kCatalogPathBytes> path{};
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n < 0) {
        return catalogFolderFor("");
    }
    if (static_cast<std::size_t>(n) >= path.size() - 1) {
        return std::nullopt;  // possibly cut short: refuse rather than bind a wrong folder
    }
    return chooseCatalogFolder(std::string_view(path.data(), static_cast<std::size_t>(n)));
}

std::optional<std::string> catalogFolderFor(std::string_view programPath) {
    const std::size_t slash = programPath.rfind('/');
    std::string folder(slash == std::string_view::npos ? std::string_view()
                                                       : programPath.substr(0, slash + 1));
    folder += "Lang/";
    if (folder.size() + 1 > kCatalogPathBytes) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::string> chooseCatalogFolder(std::string_view programPath) {
    std::optional<std::string> beside = catalogFolderFor(programPath);
    struct stat info {};
    if (!beside.has_value() || (::stat(beside->c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        return beside;
    }
    // Installed: the locale folder of the prefix, relative to the program's folder.
    std::string installed(beside->substr(0, beside->size() - std::string_view("Lang/").size()));
    installed += QV410_LOCALEDIR_FROM_BINDIR;
    if (installed.size() + 1 > kCatalogPathBytes) {
        return std::nullopt;
    }
    return installed;
}

std::string chosenLanguage() {
    // The header entry of the catalog gettext found names its language.
    const std::string_view header = dgettext(kTextDomain, "");
    constexpr std::string_view kField = "Language: ";
    const std::size_t at = header.find(kField);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::string_view rest = header.substr(at + kField.size());
    return std::string(rest.substr(0, rest.find('\n')));
}

}  // namespace app
