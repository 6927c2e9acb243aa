// Writes the Windows program's resource script, icon and manifest from the dialog templates and
// the icon picture the Linux program is built from, so both programs show the same dialogs.
//
// usage: qv410_rc_generator ARCHITECTURE VERSION OUTPUT_DIR
//   ARCHITECTURE  amd64, x86 or arm64 (the manifest's processorArchitecture)
//   VERSION       the program's version, e.g. 1.16
// Writes OUTPUT_DIR/program.rc, app_icon.ico and program.manifest; exit 1 with the reason when
// a template or the picture cannot be held faithfully.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "program_resources.h"
#include "resource_ids.h"

namespace {

#include "app_icon.xpm"

void writeFile(const std::filesystem::path& path, const void* data, std::size_t size) {
    // Written beside and renamed, so an interrupted run never leaves a half file that looks new.
    std::filesystem::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out.flush()) {
            throw winres::ResourceError("cannot write " + partial.string());
        }
    }
    std::filesystem::rename(partial, path);
}

// The Linux program draws icon 128 from the same XPM lines; a different picture there would
// make the two programs disagree.
void checkSamePicture() {
    const char* const* linked = ui::findIconResource(IDI_APP_ICON);
    if (linked == nullptr) {
        throw winres::ResourceError("the templates hold no icon " + std::to_string(IDI_APP_ICON));
    }
    // Equal header lines mean equal line counts, so the comparison stays inside both arrays.
    for (std::size_t i = 0; i < std::size(app_icon_xpm); ++i) {
        if (std::strcmp(linked[i], app_icon_xpm[i]) != 0) {
            throw winres::ResourceError("icon " + std::to_string(IDI_APP_ICON) +
                                        " of the templates is not app_icon.xpm");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ARCHITECTURE VERSION OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path dir = std::filesystem::absolute(argv[3]);
        std::filesystem::create_directories(dir);
        const std::filesystem::path iconPath = dir / "app_icon.ico";
        const std::filesystem::path manifestPath = dir / "program.manifest";

        checkSamePicture();
        const winres::Image picture = winres::decodeXpm(app_icon_xpm, std::size(app_icon_xpm));
        if (picture.width != 48 || picture.height != 48) {
            throw winres::ResourceError("the icon picture is not 48 by 48 pixels");
        }
        constexpr int kSizes[] = {16, 32, 48};
        const std::vector<uint8_t> icon = winres::iconFile(picture, kSizes);
        const std::string manifest = winres::manifest(argv[1]);

        winres::ScriptInputs inputs;
        inputs.dialogs = ui::programDialogTemplates();
        inputs.iconId = IDI_APP_ICON;
        inputs.iconPath = iconPath.generic_string();
        inputs.manifestPath = manifestPath.generic_string();
        inputs.version = {
            .version = argv[2],
            .productName = "QV-410 Setting Tool",
            .fileDescription = "Settings and maintenance tool for the QV-410 label printer",
            .originalFilename = "QV-410SettingTool.exe",
            .companyName = "QV-410 setting tool maintainers",
            .legalCopyright = "Copyright (C) QV-410 setting tool maintainers",
        };
        const std::string script = winres::resourceScript(inputs);

        writeFile(iconPath, icon.data(), icon.size());
        writeFile(manifestPath, manifest.data(), manifest.size());
        writeFile(dir / "program.rc", script.data(), script.size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qv410_rc_generator: %s\n", error.what());
        return 1;
    }
    return 0;
}
