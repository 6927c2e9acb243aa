// The Windows program's resources, round trip: the generator's script compiled by the real
// resource compiler, and the binary resources read back and held against the dialog templates,
// the XPM picture, the architecture and the version they were made from.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "program_resources.h"
#include "resource_ids.h"
#include "ui/dialog_template.h"

namespace {

#include "app_icon.xpm"

namespace fs = std::filesystem;

constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtDialog = 5;
constexpr uint16_t kRtGroupIcon = 14;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kRtManifest = 24;

// ---- a bounded reader of little-endian resource data --------------------------------------

class Cursor {
  public:
    Cursor(const std::vector<uint8_t>& data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), base_(begin), end_(std::min(end, data.size())) {}

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int16_t s16() { return static_cast<int16_t>(u16()); }

    // A zero-terminated UTF-16 string.
    std::u16string sz() {
        std::u16string out;
        while (!bad_) {
            const char16_t c = u16();
            if (c == 0 || bad_) {
                break;
            }
            out.push_back(c);
        }
        return out;
    }

    // An ordinal (0xFFFF, id) or a string; an empty string for a lone 0.
    std::variant<uint16_t, std::u16string> szOrOrd() {
        const std::size_t at = pos_;
        if (u16() == 0xFFFF) {
            return u16();
        }
        pos_ = at;
        return sz();
    }

    void align4() {
        pos_ = base_ + ((pos_ - base_ + 3) & ~std::size_t{3});
        if (pos_ > end_) {
            bad_ = true;
        }
    }
    void skip(std::size_t n) {
        if (n > end_ - std::min(pos_, end_)) {
            bad_ = true;
        } else {
            pos_ += n;
        }
    }
    std::size_t pos() const { return pos_; }
    bool bad() const { return bad_; }

  private:
    uint64_t take(std::size_t n) {
        if (bad_ || pos_ > end_ || end_ - pos_ < n) {
            bad_ = true;
            return 0;
        }
        uint64_t value = 0;
        for (std::size_t i = 0; i < n; ++i) {
            value |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
        }
        pos_ += n;
        return value;
    }

    const std::vector<uint8_t>& data_;
    std::size_t pos_;
    std::size_t base_;
    std::size_t end_;
    bool bad_ = false;
};

struct Resource {
    std::variant<uint16_t, std::u16string> type;
    std::variant<uint16_t, std::u16string> name;
    uint16_t language = 0;
    std::vector<uint8_t> data;
};

// A .res file: a sequence of header + data entries, each on a 4-byte boundary.
std::optional<std::vector<Resource>> readRes(const std::vector<uint8_t>& file) {
    std::vector<Resource> out;
    std::size_t at = 0;
    while (at < file.size()) {
        Cursor c(file, at, file.size());
        const uint32_t dataSize = c.u32();
        const uint32_t headerSize = c.u32();
        if (c.bad() || headerSize < 16 || headerSize > file.size() - at ||
            dataSize > file.size() - at - headerSize) {
            return std::nullopt;
        }
        Cursor h(file, at + 8, at + headerSize);
        Resource r;
        r.type = h.szOrOrd();
        r.name = h.szOrOrd();
        h.align4();
        h.u32();  // data version
        h.u16();  // memory flags
        r.language = h.u16();
        if (h.bad()) {
            return std::nullopt;
        }
        const auto data = file.begin() + static_cast<std::ptrdiff_t>(at + headerSize);
        r.data.assign(data, data + dataSize);
        if (at != 0 || dataSize != 0) {  // the leading empty entry only marks the format
            out.push_back(std::move(r));
        }
        at += headerSize + ((dataSize + 3) & ~uint32_t{3});
    }
    return out;
}

const Resource* find(const std::vector<Resource>& all, uint16_t type, uint16_t name) {
    for (const Resource& r : all) {
        if (r.type == decltype(r.type){type} && r.name == decltype(r.name){name}) {
            return &r;
        }
    }
    return nullptr;
}

// ---- dialogs ------------------------------------------------------------------------------

struct DecodedControl {
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;
    std::string cls;
    std::u16string text;
};

struct DecodedDialog {
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int cx = 0, cy = 0;
    std::u16string caption;
    int pointSize = 0, weight = 0, italic = 0, charset = 0;
    std::u16string font;
    std::vector<DecodedControl> controls;
};

// The predefined classes the resource compiler may store as ordinals.
std::string className(const std::variant<uint16_t, std::u16string>& cls) {
    if (const auto* ordinal = std::get_if<uint16_t>(&cls)) {
        switch (*ordinal) {
            case 0x80:
                return "BUTTON";
            case 0x81:
                return "EDIT";
            case 0x82:
                return "STATIC";
            case 0x85:
                return "COMBOBOX";
            default:
                return "#" + std::to_string(*ordinal);
        }
    }
    // Window class names are case-insensitive; the resource compiler writes them in capitals.
    std::string out;
    for (const char16_t c : std::get<std::u16string>(cls)) {
        out.push_back(c < 0x80 ? static_cast<char>(std::toupper(c)) : '?');
    }
    return out;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<DecodedDialog> decodeDialog(const std::vector<uint8_t>& data) {
    Cursor c(data, 0, data.size());
    if (c.u16() != 1 || c.u16() != 0xFFFF) {  // DLGTEMPLATEEX
        return std::nullopt;
    }
    DecodedDialog d;
    c.u32();  // help id
    d.exStyle = c.u32();
    d.style = c.u32();
    const uint16_t count = c.u16();
    c.s16();
    c.s16();
    d.cx = c.s16();
    d.cy = c.s16();
    if (c.szOrOrd() != decltype(c.szOrOrd()){std::u16string()} ||  // no menu
        c.szOrOrd() != decltype(c.szOrOrd()){std::u16string()}) {  // the dialog class
        return std::nullopt;
    }
    d.caption = c.sz();
    if ((d.style & 0x40) != 0) {  // DS_SETFONT
        d.pointSize = c.u16();
        d.weight = c.u16();
        d.italic = c.u8();
        d.charset = c.u8();
        d.font = c.sz();
    }
    for (uint16_t i = 0; i < count && !c.bad(); ++i) {
        c.align4();
        DecodedControl k;
        c.u32();  // help id
        k.exStyle = c.u32();
        k.style = c.u32();
        k.x = c.s16();
        k.y = c.s16();
        k.cx = c.s16();
        k.cy = c.s16();
        k.id = static_cast<int32_t>(c.u32());
        k.cls = className(c.szOrOrd());
        const auto title = c.szOrOrd();
        if (const auto* text = std::get_if<std::u16string>(&title)) {
            k.text = *text;
        }
        c.skip(c.u16());  // creation data
        d.controls.push_back(std::move(k));
    }
    if (c.bad()) {
        return std::nullopt;
    }
    return d;
}

// Extended styles and font details where the templates carry them; the defaults otherwise
// (FW_NORMAL, upright, DEFAULT_CHARSET, no extended style).
template <typename T>
uint32_t wantedExStyle(const T& t) {
    if constexpr (requires { t.exStyle; }) {
        return t.exStyle;
    }
    return 0;
}
template <typename T>
std::array<int, 3> wantedFontDetails(const T& t) {
    std::array<int, 3> details{400, 0, 1};
    if constexpr (requires { t.fontWeight; }) {
        details[0] = t.fontWeight;
    }
    if constexpr (requires { t.fontItalic; }) {
        details[1] = t.fontItalic ? 1 : 0;
    }
    if constexpr (requires { t.fontCharset; }) {
        details[2] = t.fontCharset;
    }
    return details;
}

// Every field of the template against what the resource holds.
void expectSameDialog(const ui::DialogTemplate& t, const DecodedDialog& d) {
    SCOPED_TRACE("dialog " + std::to_string(t.id));
    EXPECT_EQ(d.style, t.style);
    EXPECT_EQ(d.exStyle, wantedExStyle(t));
    EXPECT_EQ(d.cx, t.cx);
    EXPECT_EQ(d.cy, t.cy);
    EXPECT_TRUE(d.caption == t.caption);
    EXPECT_TRUE(d.font == t.fontName);
    EXPECT_EQ(d.pointSize, t.fontPointSize);
    EXPECT_EQ((std::array{d.weight, d.italic, d.charset}), wantedFontDetails(t));
    ASSERT_EQ(d.controls.size(), t.controls.size());
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        const ui::ControlTemplate& want = t.controls[i];
        const DecodedControl& got = d.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.cls, upper(winres::win32ClassName(want.cls)));
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.exStyle, wantedExStyle(want));
        EXPECT_EQ(got.x, want.rect.x);
        EXPECT_EQ(got.y, want.rect.y);
        EXPECT_EQ(got.cx, want.rect.cx);
        EXPECT_EQ(got.cy, want.rect.cy);
        EXPECT_TRUE(got.text == want.text);
    }
}

// ---- version ------------------------------------------------------------------------------

struct VersionData {
    uint32_t fileMs = 0, fileLs = 0, productMs = 0, productLs = 0, fileType = 0;
    std::map<std::u16string, std::u16string> strings;  // StringFileInfo values by key
    std::vector<uint16_t> translation;
};

// One node of the version tree: length, value length, type, key, value, children.
bool readVersionNode(const std::vector<uint8_t>& data, std::size_t at, std::size_t end, int depth,
                     VersionData& out) {
    Cursor c(data, at, end);
    const uint16_t length = c.u16();
    const uint16_t valueLength = c.u16();
    const uint16_t type = c.u16();
    if (c.bad() || length < 6 || length > end - at || depth > 4) {
        return false;
    }
    const std::size_t nodeEnd = at + length;
    Cursor n(data, at, nodeEnd);  // padding is relative to the node's start
    n.skip(6);
    const std::u16string key = n.sz();
    n.align4();
    if (depth == 0) {
        if (key != u"VS_VERSION_INFO" || valueLength != 52 || n.u32() != 0xFEEF04BD) {
            return false;
        }
        n.u32();  // structure version
        out.fileMs = n.u32();
        out.fileLs = n.u32();
        out.productMs = n.u32();
        out.productLs = n.u32();
        n.u32();  // flags mask
        n.u32();  // flags
        n.u32();  // os
        out.fileType = n.u32();
        n.skip(12);
    } else if (depth == 3) {  // a string of a StringFileInfo table
        if (type != 1) {      // text, not binary
            return false;
        }
        out.strings[key] = n.sz();
        return !n.bad();
    } else if (key == u"Translation") {
        for (uint16_t i = 0; i + 1 < valueLength; i += 2) {
            out.translation.push_back(n.u16());
        }
        return !n.bad();
    }
    n.align4();
    if (n.bad()) {
        return false;
    }
    for (std::size_t child = n.pos(); child + 6 <= nodeEnd;) {
        Cursor l(data, child, nodeEnd);
        const uint16_t childLength = l.u16();
        if (childLength == 0 || !readVersionNode(data, child, nodeEnd, depth + 1, out)) {
            return false;
        }
        child += (childLength + 3U) & ~3U;
    }
    return true;
}

// ---- the picture, read here without the generator's decoder ---------------------------------

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

std::vector<Rgba> xpmPixels(int& side) {
    int w = 0, h = 0, colours = 0, cpp = 0;
    EXPECT_EQ(std::sscanf(app_icon_xpm[0], "%d %d %d %d", &w, &h, &colours, &cpp), 4);
    EXPECT_EQ(cpp, 1);
    EXPECT_EQ(w, h);
    side = w;
    std::map<char, Rgba> palette;
    for (int i = 1; i <= colours; ++i) {
        const std::string line = app_icon_xpm[i];
        unsigned r = 0, g = 0, b = 0;
        if (line.substr(1) == " c None") {
            palette[line[0]] = {};
        } else if (std::sscanf(line.c_str() + 1, " c #%2x%2x%2x", &r, &g, &b) == 3) {
            palette[line[0]] = {static_cast<int>(r), static_cast<int>(g), static_cast<int>(b), 255};
        } else {
            ADD_FAILURE() << "unexpected XPM colour line " << line;
        }
    }
    std::vector<Rgba> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            pixels.push_back(palette.at(app_icon_xpm[1 + colours + y][x]));
        }
    }
    return pixels;
}

struct IconImage {
    int side = 0;
    std::vector<Rgba> pixels;           // top-down
    std::vector<bool> maskTransparent;  // top-down
};

std::optional<IconImage> decodeIconImage(const std::vector<uint8_t>& data, int side) {
    Cursor c(data, 0, data.size());
    if (c.u32() != 40 || static_cast<int>(c.u32()) != side ||
        static_cast<int>(c.u32()) != 2 * side || c.u16() != 1 || c.u16() != 32 || c.u32() != 0) {
        return std::nullopt;
    }
    const std::size_t stride = ((side + 31) / 32) * 4;
    if (data.size() != 40 + static_cast<std::size_t>(side) * side * 4 + stride * side) {
        return std::nullopt;
    }
    IconImage image{side, std::vector<Rgba>(side * side), std::vector<bool>(side * side)};
    for (int row = 0; row < side; ++row) {
        const int y = side - 1 - row;  // bottom-up
        for (int x = 0; x < side; ++x) {
            const uint8_t* p = &data[40 + (static_cast<std::size_t>(row) * side + x) * 4];
            image.pixels[y * side + x] = {p[2], p[1], p[0], p[3]};
            const uint8_t mask = data[40 + side * side * 4 + row * stride + x / 8];
            image.maskTransparent[y * side + x] = (mask & (0x80 >> (x % 8))) != 0;
        }
    }
    return image;
}

// ---- running the generator and the resource compiler ----------------------------------------

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ProgramResources : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(QV410_WINDRES).empty()) {
            GTEST_SKIP()
                << "x86_64-w64-mingw32-windres not found (Debian: binutils-mingw-w64-x86-64)";
        }
        dir_ = fs::path(::testing::TempDir()) /
               ("qv410_resources_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty() && !HasFailure()) {
            fs::remove_all(dir_);
        }
    }

    // The build's generator for `arch`, then windres on its script; the resources read back.
    std::vector<Resource> generateAndCompile(const std::string& arch) {
        const fs::path out = dir_ / arch;
        EXPECT_EQ(
            run("'" QV410_RC_GENERATOR "' " + arch + " " QV410_VERSION " '" + out.string() + "'"),
            0);
        return compile(out / "program.rc");
    }

    std::vector<Resource> compile(const fs::path& rc) {
        const fs::path res = rc.parent_path() / "program.res";
        EXPECT_EQ(run("'" QV410_WINDRES "' -O res '" + rc.string() + "' '" + res.string() + "'"),
                  0);
        const auto resources = readRes(readFile(res));
        EXPECT_TRUE(resources.has_value()) << "unreadable " << res;
        return resources.value_or(std::vector<Resource>{});
    }

    fs::path dir_;
};

TEST_F(ProgramResources, EveryTemplateIsADialogResourceEqualToItsData) {
    const auto all = generateAndCompile("amd64");
    const auto templates = ui::programDialogTemplates();
    ASSERT_EQ(templates.size(), 10U);
    std::size_t dialogs = 0;
    for (const Resource& r : all) {
        dialogs += r.type == decltype(r.type){kRtDialog} ? 1 : 0;
        EXPECT_EQ(r.language, 0) << "every resource is language-neutral, found by any locale";
    }
    EXPECT_EQ(dialogs, templates.size());
    for (const ui::DialogTemplate* t : templates) {
        const Resource* r = find(all, kRtDialog, static_cast<uint16_t>(t->id));
        ASSERT_NE(r, nullptr) << "no dialog " << t->id;
        const auto decoded = decodeDialog(r->data);
        ASSERT_TRUE(decoded.has_value()) << "dialog " << t->id << " does not decode";
        expectSameDialog(*t, *decoded);
    }
}

// What the program's templates do not exercise yet: texts the script must escape, characters
// outside ASCII and the basic plane, a captioned page without WS_CAPTION, a hidden control (the
// compiler adds WS_VISIBLE unless told not to), negative coordinates.
TEST_F(ProgramResources, TextsAndStylesTheCompilerWouldAlterSurviveExactly) {
    static constexpr ui::ControlTemplate controls[] = {
        {7,
         ui::ControlClass::edit,
         {-4, 0, 30, 12},
         ui::WS_CHILD | ui::WS_TABSTOP,
         u"say \"hi\" \\ C:\\new\\table\ttab\nline \\\"end"},
        {-1,
         ui::ControlClass::staticText,
         {1, -2, 3, 4},
         ui::WS_CHILD | ui::WS_VISIBLE,
         u"\u6253\u5370\u673A \U0001F5A8 \u00e9"},
        {8, ui::ControlClass::comboBox, {32767, -32768, 1, 1}, 0, u""},
    };
    constexpr ui::DialogTemplate page{
        300, ui::WS_CHILD | ui::DS_SETFONT, 50, 40, u"\u9875 \"1\"", u"\u5B8B\u4F53", 9, controls};
    const ui::DialogTemplate* const dialogs[] = {&page};
    const fs::path rc = dir_ / "program.rc";
    winres::ScriptInputs inputs;
    inputs.dialogs = dialogs;
    inputs.iconId = 128;
    const int side = 16;
    const winres::Image picture{side, side, std::vector<uint8_t>(side * side * 4, 255)};
    const int sizes[] = {side};
    const auto icon = winres::iconFile(picture, sizes);
    std::ofstream(dir_ / "icon.ico", std::ios::binary)
        .write(reinterpret_cast<const char*>(icon.data()),
               static_cast<std::streamsize>(icon.size()));
    std::ofstream(dir_ / "m.manifest") << winres::manifest("x86");
    inputs.iconPath = (dir_ / "icon.ico").string();
    inputs.manifestPath = (dir_ / "m.manifest").string();
    inputs.version = {"2.3.4.5", "P", "D", "O.exe", "C", "L"};
    std::ofstream(rc) << winres::resourceScript(inputs);

    const auto all = compile(rc);
    const Resource* r = find(all, kRtDialog, 300);
    ASSERT_NE(r, nullptr);
    const auto decoded = decodeDialog(r->data);
    ASSERT_TRUE(decoded.has_value());
    SCOPED_TRACE("the synthetic page");
    EXPECT_EQ(decoded->style, page.style);
    EXPECT_TRUE(decoded->caption == page.caption);
    EXPECT_TRUE(decoded->font == page.fontName);
    EXPECT_EQ(decoded->pointSize, 9);
    ASSERT_EQ(decoded->controls.size(), 3U);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(decoded->controls[i].style, controls[i].style);
        EXPECT_TRUE(decoded->controls[i].text == controls[i].text);
        EXPECT_EQ(decoded->controls[i].id, controls[i].id);
        EXPECT_EQ(decoded->controls[i].x, controls[i].rect.x);
        EXPECT_EQ(decoded->controls[i].y, controls[i].rect.y);
    }
}

TEST_F(ProgramResources, IconHoldsThreeSizesOfTheLinuxPicture) {
    const auto all = generateAndCompile("amd64");
    const Resource* group = find(all, kRtGroupIcon, IDI_APP_ICON);
    ASSERT_NE(group, nullptr) << "no icon " << IDI_APP_ICON;
    Cursor c(group->data, 0, group->data.size());
    ASSERT_EQ(c.u16(), 0);
    ASSERT_EQ(c.u16(), 1);
    const uint16_t count = c.u16();
    ASSERT_EQ(count, 3);

    int side = 0;
    const std::vector<Rgba> source = xpmPixels(side);
    ASSERT_EQ(side, 48);
    std::map<int, IconImage> images;
    for (uint16_t i = 0; i < count; ++i) {
        const int width = c.u8();
        const int height = c.u8();
        c.u8();  // colour count
        c.u8();
        EXPECT_EQ(c.u16(), 1);   // planes
        EXPECT_EQ(c.u16(), 32);  // bits per pixel
        const uint32_t bytes = c.u32();
        const uint16_t id = c.u16();
        ASSERT_FALSE(c.bad());
        EXPECT_EQ(width, height);
        const Resource* image = find(all, kRtIcon, id);
        ASSERT_NE(image, nullptr) << "icon image " << id;
        EXPECT_EQ(image->data.size(), bytes);
        const auto decoded = decodeIconImage(image->data, width);
        ASSERT_TRUE(decoded.has_value()) << width << " px image does not decode";
        images[width] = *decoded;
    }
    ASSERT_EQ(images.size(), 3U);
    ASSERT_TRUE(images.count(16) && images.count(32) && images.count(48));

    // 48: the picture itself, pixel for pixel (colour only where it shows).
    int differing = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const Rgba want = source[i];
        const Rgba got = images[48].pixels[i];
        const bool same = got.a == want.a &&
                          (want.a == 0 || (got.r == want.r && got.g == want.g && got.b == want.b));
        differing += same ? 0 : 1;
    }
    EXPECT_EQ(differing, 0) << "of 2304 pixels";

    // 16: each pixel the alpha-weighted mean of its 3 x 3 block.
    int off = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            double a = 0, r = 0, g = 0, b = 0;
            for (int dy = 0; dy < 3; ++dy) {
                for (int dx = 0; dx < 3; ++dx) {
                    const Rgba p = source[(3 * y + dy) * 48 + 3 * x + dx];
                    a += p.a;
                    r += p.a * p.r;
                    g += p.a * p.g;
                    b += p.a * p.b;
                }
            }
            const Rgba got = images[16].pixels[y * 16 + x];
            const bool close =
                std::abs(got.a - a / 9) <= 1 &&
                (a == 0 || (std::abs(got.r - r / a) <= 1 && std::abs(got.g - g / a) <= 1 &&
                            std::abs(got.b - b / a) <= 1));
            off += close ? 0 : 1;
        }
    }
    EXPECT_EQ(off, 0) << "16 px pixels differ from their 3x3 blocks";

    // 32: a pixel covers 1.5 source pixels each way; it is clear exactly where all of them are.
    int wrongAlpha = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            bool anyShown = false;
            bool allOpaque = true;
            for (int sy = (3 * y) / 2; sy < (3 * y + 3 + 1) / 2; ++sy) {
                for (int sx = (3 * x) / 2; sx < (3 * x + 3 + 1) / 2; ++sx) {
                    anyShown |= source[sy * 48 + sx].a != 0;
                    allOpaque &= source[sy * 48 + sx].a == 255;
                }
            }
            const int alpha = images[32].pixels[y * 32 + x].a;
            wrongAlpha += (anyShown == (alpha != 0) && (!allOpaque || alpha == 255)) ? 0 : 1;
        }
    }
    EXPECT_EQ(wrongAlpha, 0);

    // The AND mask: set exactly where a pixel is fully transparent, for every size.
    for (const auto& [size, image] : images) {
        int wrong = 0;
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            wrong += image.maskTransparent[i] == (image.pixels[i].a == 0) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0) << size << " px mask";
    }
}

// The value of attribute `name` in the first element `element` of `xml`.
std::string attribute(const std::string& xml, const std::string& element, const std::string& name,
                      std::size_t from = 0) {
    const std::size_t start = xml.find("<" + element + " ", from);
    if (start == std::string::npos) {
        return "<no " + element + ">";
    }
    const std::size_t end = xml.find('>', start);
    const std::string tag = xml.substr(start, end - start);
    const std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) {
        return "<no " + name + ">";
    }
    const std::size_t value = at + name.size() + 3;
    return tag.substr(value, tag.find('"', value) - value);
}

TEST_F(ProgramResources, ManifestNamesCommonControls6AndTheBuildsArchitecture) {
    for (const std::string arch : {"amd64", "x86"}) {
        SCOPED_TRACE(arch);
        const auto all = generateAndCompile(arch);
        const Resource* r = find(all, kRtManifest, 1);
        ASSERT_NE(r, nullptr) << "no RT_MANIFEST 1";
        const std::string xml(r->data.begin(), r->data.end());
        const std::size_t dependency = xml.find("<dependentAssembly>");
        ASSERT_NE(dependency, std::string::npos);
        EXPECT_EQ(attribute(xml, "assemblyIdentity", "name", dependency),
                  "Microsoft.Windows.Common-Controls");
        EXPECT_EQ(attribute(xml, "assemblyIdentity", "version", dependency), "6.0.0.0");
        EXPECT_EQ(attribute(xml, "assemblyIdentity", "processorArchitecture", dependency), arch);
        EXPECT_EQ(attribute(xml, "assemblyIdentity", "publicKeyToken", dependency),
                  "6595b64144ccf1df");
        EXPECT_EQ(attribute(xml, "requestedExecutionLevel", "level"), "asInvoker");
        EXPECT_EQ(attribute(xml, "requestedExecutionLevel", "uiAccess"), "false");
    }
}

TEST_F(ProgramResources, VersionResourceSaysTheProjectVersion) {
    const auto all = generateAndCompile("amd64");
    const Resource* r = find(all, kRtVersion, 1);
    ASSERT_NE(r, nullptr) << "no VERSIONINFO 1";
    VersionData v;
    ASSERT_TRUE(readVersionNode(r->data, 0, r->data.size(), 0, v)) << "version tree unreadable";

    unsigned major = 0, minor = 0;
    ASSERT_EQ(std::sscanf(QV410_VERSION, "%u.%u", &major, &minor), 2);
    EXPECT_EQ(v.fileMs, (major << 16) | minor);
    EXPECT_EQ(v.fileLs, 0U);
    EXPECT_EQ(v.productMs, v.fileMs);
    EXPECT_EQ(v.productLs, 0U);
    EXPECT_EQ(v.fileType, 1U);  // an application
    const std::string dotted = std::to_string(major) + "." + std::to_string(minor) + ".0.0";
    const std::u16string wide(dotted.begin(), dotted.end());
    EXPECT_TRUE(v.strings[u"FileVersion"] == wide);
    EXPECT_TRUE(v.strings[u"ProductVersion"] == wide);
    EXPECT_TRUE(v.strings[u"OriginalFilename"] == u"QV-410SettingTool.exe");
    for (const char16_t* key :
         {u"ProductName", u"FileDescription", u"CompanyName", u"LegalCopyright"}) {
        EXPECT_FALSE(v.strings[key].empty()) << "empty version string";
    }
    EXPECT_EQ(v.translation, (std::vector<uint16_t>{0x409, 1200}));
}

// ---- inputs the resources cannot hold stop the build ----------------------------------------

TEST(ProgramResourceInputs, AreRefusedWithTheReason) {
    static constexpr ui::ControlTemplate one[] = {
        {5, ui::ControlClass::button, {0, 0, 1, 1}, 0, u"x"}};
    const auto scriptFor = [](const ui::DialogTemplate& a, const ui::DialogTemplate* b) {
        const ui::DialogTemplate* list[] = {&a, b};
        winres::ScriptInputs inputs;
        inputs.dialogs = std::span(list, b != nullptr ? 2 : 1);
        inputs.iconId = 128;
        inputs.iconPath = "i.ico";
        inputs.manifestPath = "m.manifest";
        inputs.version.version = "1.16";
        return winres::resourceScript(inputs);
    };
    const auto reason = [&](const ui::DialogTemplate& a, const ui::DialogTemplate* b = nullptr) {
        try {
            scriptFor(a, b);
        } catch (const winres::ResourceError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    const ui::DialogTemplate fine{400, ui::DS_SETFONT, 10, 10, u"", u"MS Shell Dlg", 8, one};
    EXPECT_NE(scriptFor(fine, nullptr).find("400 DIALOGEX"), std::string::npos);

    EXPECT_NE(reason({400, ui::WS_CHILD, 10, 10, u"", u"MS Shell Dlg", 8, one}).find("DS_SETFONT"),
              std::string::npos);
    EXPECT_NE(reason(fine, &fine).find("two dialog templates have id 400"), std::string::npos);
    EXPECT_NE(reason({400, ui::DS_SETFONT, 40000, 10, u"", u"MS Shell Dlg", 8, one})
                  .find("40000 does not fit"),
              std::string::npos);
    static constexpr ui::ControlTemplate unpaired[] = {
        {5, ui::ControlClass::button, {0, 0, 1, 1}, 0, u"a\xD800z"}};
    EXPECT_NE(reason({400, ui::DS_SETFONT, 10, 10, u"", u"MS Shell Dlg", 8, unpaired})
                  .find("unpaired UTF-16 surrogate"),
              std::string::npos);
    static constexpr ui::ControlTemplate bell[] = {
        {5, ui::ControlClass::button, {0, 0, 1, 1}, 0, u"\a"}};
    EXPECT_NE(reason({400, ui::DS_SETFONT, 10, 10, u"", u"MS Shell Dlg", 8, bell})
                  .find("control character 0x7"),
              std::string::npos);

    EXPECT_THROW(winres::manifest("ia64"), winres::ResourceError);
    winres::ScriptInputs badVersion;
    badVersion.iconId = 128;
    for (const char* version : {"1.x", "1..2", "1.2.3.4.5", "70000", ""}) {
        badVersion.version.version = version;
        EXPECT_THROW(winres::resourceScript(badVersion), winres::ResourceError) << version;
    }
}

TEST(ProgramResourceInputs, XpmDefectsAreRefusedNotReadPast) {
    const char* const shortRow[] = {"2 2 1 1", "a c #000000", "aa", "a"};
    EXPECT_THROW(winres::decodeXpm(shortRow, std::size(shortRow)), winres::ResourceError);
    const char* const unknownPixel[] = {"2 1 1 1", "a c #000000", "ab"};
    EXPECT_THROW(winres::decodeXpm(unknownPixel, std::size(unknownPixel)), winres::ResourceError);
    // The header promises more rows than the array holds.
    const char* const missingRows[] = {"1 3 1 1", "a c None", "a"};
    EXPECT_THROW(winres::decodeXpm(missingRows, std::size(missingRows)), winres::ResourceError);
    const char* const namedColour[] = {"1 1 1 1", "a c red", "a"};
    EXPECT_THROW(winres::decodeXpm(namedColour, std::size(namedColour)), winres::ResourceError);
    const char* const twoChars[] = {"2 1 2 2", "aa c #102030", "bb c None", "bbaa"};
    const winres::Image image = winres::decodeXpm(twoChars, std::size(twoChars));
    EXPECT_EQ(image.rgba, (std::vector<uint8_t>{0, 0, 0, 0, 0x10, 0x20, 0x30, 255}));
}

TEST(ProgramResourceGenerator, UnknownArchitectureFailsTheBuildStep) {
    const fs::path out = fs::path(::testing::TempDir()) / "qv410_resources_bad_arch";
    EXPECT_EQ(
        run("'" QV410_RC_GENERATOR "' ia64 " QV410_VERSION " '" + out.string() + "' 2>/dev/null"),
        1);
    EXPECT_FALSE(fs::exists(out / "program.rc"));
}

}  // namespace
