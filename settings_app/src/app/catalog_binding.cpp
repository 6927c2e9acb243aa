// Binding the text domain, the same on every platform; where the catalog folder is and how the
// chosen language is read back are the platform's (catalog.cpp, catalog_win.cpp).
#include <libintl.h>

#include <string>

#include "app/catalog.h"
#include "app/messages_locale.h"
#include "ui/message_loop.h"

namespace app {

namespace {

std::optional<std::string>& folderOverride() {
    static std::optional<std::string> folder;
    return folder;
}

}  // namespace

void bindCatalog() {
    const std::optional<std::string> folder =
        folderOverride().has_value() ? folderOverride() : programCatalogFolder();
    useUserLocaleForMessages();
    if (!folder.has_value()) {
        return;
    }
    // On Windows libintl.h maps these names onto the libintl_* functions the link library
    // exports, so the program binds the very state the library looks up in.
    bindtextdomain(kTextDomain, folder->c_str());
    textdomain(kTextDomain);
    bind_textdomain_codeset(kTextDomain, "utf-8");
    ui::setUserLanguage(chosenLanguage());
}

void setCatalogFolderForTesting(std::optional<std::string> folder) {
    folderOverride() = std::move(folder);
}

}  // namespace app
