// The Windows program's resources, written from the dialog templates and the icon picture the
// Linux program uses: a resource script for windres, the icon file and the application manifest.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_template.h"

namespace winres {

// Any input the resources cannot faithfully hold: the build stops with this text.
class ResourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A picture as 8-bit straight-alpha RGBA, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4
};

// Decodes an XPM held as its text lines (what `#include "x.xpm"` gives): one character or more
// per pixel, colours "None" and #RRGGBB. `lineCount` bounds every access to the array.
Image decodeXpm(const char* const* lines, std::size_t lineCount);

// The picture resampled to size x size by area averaging (weighted by alpha, so transparent
// pixels lend no colour to the edge).
Image resample(const Image& source, int size);

// An .ico file with one 32-bit image per size (BGRA with an AND mask), from `picture`.
std::vector<uint8_t> iconFile(const Image& picture, std::span<const int> sizes);

// The application manifest: Common Controls 6.0.0.0 and asInvoker for `architecture`
// ("amd64", "x86" or "arm64").
std::string manifest(std::string_view architecture);

struct VersionInfo {
    std::string version;  // dotted, one to four numbers, e.g. "1.16"
    std::string productName;
    std::string fileDescription;
    std::string originalFilename;
    std::string companyName;
    std::string legalCopyright;
};

struct ScriptInputs {
    std::span<const ui::DialogTemplate* const> dialogs;
    int iconId = 0;
    std::string iconPath;      // the .ico file, as windres should open it
    std::string manifestPath;  // the manifest file
    VersionInfo version;
};

// The resource script (UTF-8, code page 65001): every dialog as DIALOGEX under its id, the icon,
// the manifest as RT_MANIFEST 1 and VERSIONINFO 1.
std::string resourceScript(const ScriptInputs& inputs);

// A text as a quoted resource-script string (UTF-8, quotes doubled, backslashes escaped).
std::string quoted(std::u16string_view text);

// The Win32 window class a control class is created with.
std::string_view win32ClassName(ui::ControlClass cls);

}  // namespace winres
