#include "catalog.h"

#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "QVSettingToolDll.h"
#include "app/messages_locale.h"
#include "utf.h"

namespace qv410 {

namespace {

constexpr const char* kTextDomain = "PrinterConfig";
// Every catalog lookup of the library writes at most this many units.
constexpr std::size_t kTextUnits = 260;

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string programFolder() {
    std::array<char, 4096> path{};
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size() - 1) {
        return {};
    }
    const std::string_view exe(path.data(), static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return std::string(exe.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
}

}  // namespace

void bindCatalog() {
    app::useUserLocaleForMessages();
    const std::string folder = programFolder();
    if (folder.empty()) {
        return;
    }
    std::string catalogs = folder + "Lang/";
    if (!isDirectory(catalogs)) {
        catalogs = folder + QV410_LOCALEDIR_FROM_BINDIR;
    }
    bindtextdomain(kTextDomain, catalogs.c_str());
    textdomain(kTextDomain);
    bind_textdomain_codeset(kTextDomain, "utf-8");
}

std::string catalogText(const char* id) {
    std::array<QVWCHAR, kTextUnits> buffer{};
    BaseGetPOText(id, buffer.data());
    std::string text = utf16ToUtf8(buffer.data(), buffer.size());
    return text.empty() ? std::string(id) : text;
}

}  // namespace qv410
