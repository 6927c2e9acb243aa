#include "program_resources.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>

namespace winres {

namespace {

constexpr std::size_t kMaxXpmSide = 1024;
constexpr std::size_t kMaxXpmColours = 4096;

// Window styles the resource compiler adds on its own: CONTROL starts from WS_CHILD | WS_VISIBLE,
// CAPTION adds WS_CAPTION. Writing "NOT mask | style" leaves exactly the template's bits.
constexpr uint32_t kAllStyleBits = 0xFFFFFFFF;
constexpr uint32_t kDsSetFont = 0x0040;

std::vector<std::string_view> fields(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t') {
            ++pos;
        }
        if (pos > start) {
            out.push_back(text.substr(start, pos - start));
        }
    }
    return out;
}

std::size_t number(std::string_view text, std::string_view what) {
    std::size_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        throw ResourceError("XPM: " + std::string(what) + " '" + std::string(text) +
                            "' is not a number");
    }
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::array<uint8_t, 4> xpmColour(std::string_view text) {
    if (text == "None" || text == "none") {
        return {0, 0, 0, 0};
    }
    if (text.size() == 7 && text[0] == '#') {
        std::array<uint8_t, 4> rgba{0, 0, 0, 255};
        for (std::size_t i = 0; i < 3; ++i) {
            const int hi = hexDigit(text[1 + 2 * i]);
            const int lo = hexDigit(text[2 + 2 * i]);
            if (hi < 0 || lo < 0) {
                throw ResourceError("XPM: bad colour '" + std::string(text) + "'");
            }
            rgba[i] = static_cast<uint8_t>(hi * 16 + lo);
        }
        return rgba;
    }
    throw ResourceError("XPM: colour '" + std::string(text) + "' is neither None nor #RRGGBB");
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, then the AND mask (1 where
// transparent) for renderers that ignore alpha.
std::vector<uint8_t> iconImage(const Image& image) {
    const auto side = static_cast<uint32_t>(image.width);
    const uint32_t maskStride = ((side + 31) / 32) * 4;
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, side);
    put32(out, side * 2);  // colour and mask stacked
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // BI_RGB
    put32(out, side * side * 4 + maskStride * side);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (uint32_t row = side; row-- > 0;) {
        for (uint32_t col = 0; col < side; ++col) {
            const uint8_t* p = &image.rgba[(row * side + col) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (uint32_t row = side; row-- > 0;) {
        std::vector<uint8_t> bits(maskStride, 0);
        for (uint32_t col = 0; col < side; ++col) {
            if (image.rgba[(row * side + col) * 4 + 3] == 0) {
                bits[col / 8] |= static_cast<uint8_t>(0x80U >> (col % 8));
            }
        }
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

std::string hex(uint32_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << std::uppercase << value;
    return out.str();
}

std::array<uint16_t, 4> versionParts(std::string_view version) {
    std::array<uint16_t, 4> parts{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (true) {
        const std::size_t dot = version.find('.', pos);
        const std::string_view part = version.substr(pos, dot - pos);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || end != part.data() + part.size() ||
            value > 0xFFFF || count == parts.size()) {
            throw ResourceError("version '" + std::string(version) +
                                "' is not one to four numbers of 0 to 65535 separated by dots");
        }
        parts[count++] = static_cast<uint16_t>(value);
        if (dot == std::string_view::npos) {
            break;
        }
        pos = dot + 1;
    }
    return parts;
}

std::string quotedUtf8(std::string_view text) {
    std::u16string wide;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            throw ResourceError("version strings are ASCII");
        }
        wide.push_back(static_cast<char16_t>(c));
    }
    return quoted(wide);
}

int dialogUnit(int value, const std::string& where) {
    if (value < std::numeric_limits<int16_t>::min() ||
        value > std::numeric_limits<int16_t>::max()) {
        throw ResourceError(where + ": " + std::to_string(value) +
                            " does not fit the 16 bits of a dialog coordinate");
    }
    return value;
}

// Extended styles and font details, for templates that carry them; the defaults otherwise.
template <typename T>
uint32_t exStyleOf(const T& t) {
    if constexpr (requires { t.exStyle; }) {
        return t.exStyle;
    } else {
        return 0;
    }
}

template <typename T>
int fontWeightOf(const T& t) {
    if constexpr (requires { t.fontWeight; }) {
        return t.fontWeight;
    } else {
        return 400;  // FW_NORMAL
    }
}

template <typename T>
int fontItalicOf(const T& t) {
    if constexpr (requires { t.fontItalic; }) {
        return t.fontItalic ? 1 : 0;
    } else {
        return 0;
    }
}

template <typename T>
int fontCharsetOf(const T& t) {
    if constexpr (requires { t.fontCharset; }) {
        return t.fontCharset;
    } else {
        return 1;  // DEFAULT_CHARSET
    }
}

void writeDialog(std::ostream& out, const ui::DialogTemplate& dialog) {
    const std::string where = "dialog " + std::to_string(dialog.id);
    if (dialog.id < 1 || dialog.id > 0xFFFF) {
        throw ResourceError(where + ": a resource id is 1 to 65535");
    }
    if ((dialog.style & kDsSetFont) == 0) {
        throw ResourceError(where + ": names font '" + quoted(dialog.fontName) +
                            "' but its style lacks DS_SETFONT, so no font would be stored");
    }
    if (dialog.fontName.empty() || dialog.fontPointSize <= 0 || dialog.fontPointSize > 0xFFFF) {
        throw ResourceError(where + ": needs a font name and a point size of 1 to 65535");
    }
    out << dialog.id << " DIALOGEX 0, 0, " << dialogUnit(dialog.cx, where) << ", "
        << dialogUnit(dialog.cy, where) << "\n";
    if (!dialog.caption.empty()) {
        out << "CAPTION " << quoted(dialog.caption) << "\n";
    }
    // After CAPTION, which would add WS_CAPTION to a captioned page.
    out << "STYLE NOT " << hex(kAllStyleBits) << " | " << hex(dialog.style) << "\n";
    out << "EXSTYLE " << hex(exStyleOf(dialog)) << "\n";
    out << "FONT " << dialog.fontPointSize << ", " << quoted(dialog.fontName) << ", "
        << fontWeightOf(dialog) << ", " << fontItalicOf(dialog) << ", "
        << hex(static_cast<uint32_t>(fontCharsetOf(dialog))) << "\n";
    out << "BEGIN\n";
    for (const ui::ControlTemplate& control : dialog.controls) {
        const std::string at = where + ", control " + std::to_string(control.id);
        out << "    CONTROL " << quoted(control.text) << ", " << control.id << ", \""
            << win32ClassName(control.cls) << "\", NOT " << hex(kAllStyleBits) << " | "
            << hex(control.style) << ", " << dialogUnit(control.rect.x, at) << ", "
            << dialogUnit(control.rect.y, at) << ", " << dialogUnit(control.rect.cx, at) << ", "
            << dialogUnit(control.rect.cy, at) << ", " << hex(exStyleOf(control)) << "\n";
    }
    out << "END\n\n";
}

void writeVersion(std::ostream& out, const VersionInfo& info) {
    const std::array<uint16_t, 4> v = versionParts(info.version);
    const std::string comma = std::to_string(v[0]) + "," + std::to_string(v[1]) + "," +
                              std::to_string(v[2]) + "," + std::to_string(v[3]);
    const std::string dotted = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                               std::to_string(v[2]) + "." + std::to_string(v[3]);
    out << "1 VERSIONINFO\n"
        << "FILEVERSION " << comma << "\n"
        << "PRODUCTVERSION " << comma << "\n"
        << "FILEFLAGSMASK 0x3F\n"
        << "FILEFLAGS 0x0\n"
        << "FILEOS 0x40004\n"  // VOS_NT_WINDOWS32
        << "FILETYPE 0x1\n"    // VFT_APP
        << "FILESUBTYPE 0x0\n"
        << "BEGIN\n"
        << "    BLOCK \"StringFileInfo\"\n"
        << "    BEGIN\n"
        << "        BLOCK \"040904B0\"\n"  // US English, UTF-16
        << "        BEGIN\n";
    const std::pair<const char*, const std::string*> strings[] = {
        {"CompanyName", &info.companyName},
        {"FileDescription", &info.fileDescription},
        {"FileVersion", &dotted},
        {"LegalCopyright", &info.legalCopyright},
        {"OriginalFilename", &info.originalFilename},
        {"ProductName", &info.productName},
        {"ProductVersion", &dotted},
    };
    for (const auto& [key, value] : strings) {
        out << "            VALUE \"" << key << "\", " << quotedUtf8(*value) << "\n";
    }
    out << "        END\n"
        << "    END\n"
        << "    BLOCK \"VarFileInfo\"\n"
        << "    BEGIN\n"
        << "        VALUE \"Translation\", 0x409, 1200\n"
        << "    END\n"
        << "END\n";
}

}  // namespace

Image decodeXpm(const char* const* lines, std::size_t lineCount) {
    if (lines == nullptr || lineCount == 0 || lines[0] == nullptr) {
        throw ResourceError("XPM: no header line");
    }
    const std::vector<std::string_view> header = fields(lines[0]);
    if (header.size() < 4) {
        throw ResourceError(
            "XPM: the header needs width, height, colours and characters per pixel");
    }
    const std::size_t width = number(header[0], "width");
    const std::size_t height = number(header[1], "height");
    const std::size_t colours = number(header[2], "colour count");
    const std::size_t cpp = number(header[3], "characters per pixel");
    if (width == 0 || height == 0 || width > kMaxXpmSide || height > kMaxXpmSide || colours == 0 ||
        colours > kMaxXpmColours || cpp == 0 || cpp > 4) {
        throw ResourceError("XPM: header '" + std::string(lines[0]) + "' out of range");
    }
    if (lineCount < 1 + colours + height) {
        throw ResourceError("XPM: " + std::to_string(lineCount) + " lines, the header needs " +
                            std::to_string(1 + colours + height));
    }
    std::map<std::string, std::array<uint8_t, 4>, std::less<>> palette;
    for (std::size_t i = 0; i < colours; ++i) {
        const char* line = lines[1 + i];
        if (line == nullptr || std::strlen(line) < cpp) {
            throw ResourceError("XPM: colour line " + std::to_string(i + 1) + " is too short");
        }
        const std::string key(line, cpp);
        const std::vector<std::string_view> rest = fields(std::string_view(line).substr(cpp));
        bool found = false;
        for (std::size_t f = 0; f + 1 < rest.size(); f += 2) {
            if (rest[f] == "c") {
                palette[key] = xpmColour(rest[f + 1]);
                found = true;
                break;
            }
        }
        if (!found) {
            throw ResourceError("XPM: colour '" + key + "' has no 'c' entry");
        }
    }
    Image image{static_cast<int>(width), static_cast<int>(height), {}};
    image.rgba.reserve(width * height * 4);
    for (std::size_t row = 0; row < height; ++row) {
        const char* line = lines[1 + colours + row];
        if (line == nullptr || std::strlen(line) != width * cpp) {
            throw ResourceError("XPM: pixel row " + std::to_string(row) + " is not " +
                                std::to_string(width * cpp) + " characters");
        }
        for (std::size_t col = 0; col < width; ++col) {
            const std::string_view key(line + col * cpp, cpp);
            const auto colour = palette.find(key);
            if (colour == palette.end()) {
                throw ResourceError("XPM: pixel '" + std::string(key) + "' in row " +
                                    std::to_string(row) + " has no colour");
            }
            image.rgba.insert(image.rgba.end(), colour->second.begin(), colour->second.end());
        }
    }
    return image;
}

Image resample(const Image& source, int size) {
    if (size <= 0 || size > 256 || source.width <= 0 || source.height <= 0 ||
        source.rgba.size() != static_cast<std::size_t>(source.width) * source.height * 4) {
        throw ResourceError("resample: bad sizes");
    }
    Image out{size, size, std::vector<uint8_t>(static_cast<std::size_t>(size) * size * 4)};
    const double sx = static_cast<double>(source.width) / size;
    const double sy = static_cast<double>(source.height) / size;
    for (int ty = 0; ty < size; ++ty) {
        const double y0 = ty * sy;
        const double y1 = y0 + sy;
        for (int tx = 0; tx < size; ++tx) {
            const double x0 = tx * sx;
            const double x1 = x0 + sx;
            double area = 0;
            double alpha = 0;
            std::array<double, 3> colour{};
            for (int y = static_cast<int>(y0); y < source.height && y < y1; ++y) {
                const double wy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
                for (int x = static_cast<int>(x0); x < source.width && x < x1; ++x) {
                    const double wx = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
                    const double weight = wx * wy;
                    const uint8_t* p =
                        &source.rgba[(static_cast<std::size_t>(y) * source.width + x) * 4];
                    area += weight;
                    alpha += weight * p[3];
                    for (std::size_t c = 0; c < 3; ++c) {
                        colour[c] += weight * p[3] * p[c];
                    }
                }
            }
            uint8_t* q = &out.rgba[(static_cast<std::size_t>(ty) * size + tx) * 4];
            if (alpha > 0) {
                for (std::size_t c = 0; c < 3; ++c) {
                    q[c] = static_cast<uint8_t>(std::lround(colour[c] / alpha));
                }
            }
            q[3] = static_cast<uint8_t>(std::lround(alpha / area));
        }
    }
    return out;
}

std::vector<uint8_t> iconFile(const Image& picture, std::span<const int> sizes) {
    if (sizes.empty() || sizes.size() > 16) {
        throw ResourceError("an icon holds 1 to 16 images");
    }
    std::vector<std::vector<uint8_t>> images;
    for (const int size : sizes) {
        images.push_back(iconImage(
            size == picture.width && size == picture.height ? picture : resample(picture, size)));
    }
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto side = static_cast<uint8_t>(sizes[i] == 256 ? 0 : sizes[i]);
        out.insert(out.end(), {side, side, 0, 0});
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, static_cast<uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

std::string manifest(std::string_view architecture) {
    if (architecture != "amd64" && architecture != "x86" && architecture != "arm64") {
        throw ResourceError("processor architecture '" + std::string(architecture) +
                            "' is not amd64, x86 or arm64");
    }
    const std::string arch(architecture);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
           "  <dependency>\n"
           "    <dependentAssembly>\n"
           "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
           "version=\"6.0.0.0\" processorArchitecture=\"" +
           arch +
           "\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
           "    </dependentAssembly>\n"
           "  </dependency>\n"
           "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
           "    <security>\n"
           "      <requestedPrivileges>\n"
           "        <requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>\n"
           "      </requestedPrivileges>\n"
           "    </security>\n"
           "  </trustInfo>\n"
           "</assembly>\n";
}

std::string_view win32ClassName(ui::ControlClass cls) {
    switch (cls) {
        case ui::ControlClass::button:
            return "BUTTON";
        case ui::ControlClass::staticText:
            return "STATIC";
        case ui::ControlClass::edit:
            return "EDIT";
        case ui::ControlClass::richEdit:
            return "RichEdit20W";
        case ui::ControlClass::comboBox:
            return "COMBOBOX";
        case ui::ControlClass::listView:
            return "SysListView32";
        case ui::ControlClass::tabControl:
            return "SysTabControl32";
    }
    throw ResourceError("unknown control class " + std::to_string(static_cast<int>(cls)));
}

std::string quoted(std::u16string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                throw ResourceError("text holds an unpaired UTF-16 surrogate");
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            throw ResourceError("text holds an unpaired UTF-16 surrogate");
        }
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            throw ResourceError("text holds control character " + hex(c));
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    out += '"';
    return out;
}

std::string resourceScript(const ScriptInputs& inputs) {
    std::ostringstream out;
    out << "// Generated at build time from the dialog templates and the icon picture; edit\n"
           "// those, not this file.\n"
           "#pragma code_page(65001)\n"
           "LANGUAGE 0, 0\n\n";
    std::vector<int> ids;
    for (const ui::DialogTemplate* dialog : inputs.dialogs) {
        if (dialog == nullptr) {
            throw ResourceError("a null dialog template");
        }
        if (std::find(ids.begin(), ids.end(), dialog->id) != ids.end()) {
            throw ResourceError("two dialog templates have id " + std::to_string(dialog->id));
        }
        ids.push_back(dialog->id);
        writeDialog(out, *dialog);
    }
    if (inputs.iconId < 1 || inputs.iconId > 0xFFFF) {
        throw ResourceError("icon id " + std::to_string(inputs.iconId) + " is not 1 to 65535");
    }
    const auto path = [](const std::string& file) {
        return quoted(std::u16string(file.begin(), file.end()));
    };
    for (const std::string* file : {&inputs.iconPath, &inputs.manifestPath}) {
        if (std::any_of(file->begin(), file->end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            throw ResourceError("resource file path '" + *file + "' is not ASCII");
        }
    }
    out << inputs.iconId << " ICON " << path(inputs.iconPath) << "\n";
    out << "1 24 " << path(inputs.manifestPath) << "\n\n";  // RT_MANIFEST
    writeVersion(out, inputs.version);
    return out.str();
}

}  // namespace winres
