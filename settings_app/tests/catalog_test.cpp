// The catalogs: every message id the program, the library and qv410 use is in the template, every
// language translates every id, and the compiled catalogs beside the program deliver them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "QVSettingToolDll.h"
#include "app/catalog.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSourceRoot = QV_SOURCE_DIR;

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// msgid -> msgstr of a .po/.pot file; flags are kept apart.
struct Catalog {
    std::map<std::string, std::string> entries;
    std::set<std::string> fuzzy;
};

std::string unquote(const std::string& line) {
    const auto first = line.find('"');
    const auto last = line.rfind('"');
    return first == std::string::npos || last <= first ? std::string()
                                                       : line.substr(first + 1, last - first - 1);
}

Catalog parsePo(const fs::path& path) {
    Catalog catalog;
    std::istringstream in(readFile(path));
    std::string line;
    std::string id;
    std::string str;
    std::string* current = nullptr;
    bool isFuzzy = false;
    const auto flush = [&] {
        if (!id.empty()) {
            catalog.entries[id] = str;
            if (isFuzzy) {
                catalog.fuzzy.insert(id);
            }
        }
        id.clear();
        str.clear();
        current = nullptr;
        isFuzzy = false;
    };
    while (std::getline(in, line)) {
        if (line.rfind("#,", 0) == 0 && line.find("fuzzy") != std::string::npos) {
            isFuzzy = true;
        } else if (line.rfind("msgid ", 0) == 0) {
            flush();
            isFuzzy = false;
            id = unquote(line);
            current = &id;
        } else if (line.rfind("msgstr ", 0) == 0) {
            str = unquote(line);
            current = &str;
        } else if (!line.empty() && line[0] == '"' && current != nullptr) {
            *current += unquote(line);
        }
    }
    flush();
    return catalog;
}

std::set<std::string> idsUsedInSources() {
    std::set<std::string> ids;
    // String literals of the form "PO_[A-Z0-9_]+".
    const auto isIdChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    };
    for (const char* folder : {"settings_app/src", "printer_link/src", "tools/qv410"}) {
        for (const auto& entry : fs::recursive_directory_iterator(kSourceRoot / folder)) {
            const auto ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h") {
                continue;
            }
            const std::string text = readFile(entry.path());
            for (std::size_t at = text.find("\"PO_"); at != std::string::npos;
                 at = text.find("\"PO_", at + 1)) {
                std::size_t end = at + 1;
                while (end < text.size() && isIdChar(text[end])) {
                    ++end;
                }
                if (end < text.size() && text[end] == '"' && end > at + 4) {
                    ids.insert(text.substr(at + 1, end - at - 1));
                }
            }
        }
    }
    return ids;
}

const fs::path kLang = kSourceRoot / "settings_app" / "lang";

TEST(Catalogs, EveryIdUsedInTheSourcesIsInTheTemplate) {
    const Catalog pot = parsePo(kLang / "PrinterConfig.pot");
    const std::set<std::string> used = idsUsedInSources();
    ASSERT_GT(used.size(), 50U) << "the scan found the sources";
    for (const std::string& id : used) {
        EXPECT_TRUE(pot.entries.contains(id)) << id << " is missing from PrinterConfig.pot";
    }
}

class LanguageCatalog : public ::testing::TestWithParam<const char*> {};

TEST_P(LanguageCatalog, TranslatesEveryTemplateIdAndNothingElse) {
    const Catalog pot = parsePo(kLang / "PrinterConfig.pot");
    const Catalog po = parsePo(kLang / (std::string(GetParam()) + ".po"));
    for (const auto& [id, unused] : pot.entries) {
        if (id.empty()) {
            continue;
        }
        ASSERT_TRUE(po.entries.contains(id)) << id;
        EXPECT_FALSE(po.entries.at(id).empty()) << id << " is untranslated";
        EXPECT_NE(po.entries.at(id), id) << id << " is translated as itself";
        EXPECT_FALSE(po.fuzzy.contains(id)) << id << " is fuzzy";
    }
    for (const auto& [id, unused] : po.entries) {
        EXPECT_TRUE(pot.entries.contains(id)) << id << " is not in the template";
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageCatalog, ::testing::Values("en", "zh_CN"));

struct CompiledCase {
    const char* locale;
    const char* id;
    const char16_t* text;
};

void PrintTo(const CompiledCase& c, std::ostream* os) {
    *os << c.locale << ' ' << c.id;
}

class CompiledCatalog : public ::testing::TestWithParam<CompiledCase> {};

// Through the catalogs built beside the program and the library's own lookup.
TEST_P(CompiledCatalog, DeliversEveryTemplateIdInTheUsersLanguage) {
    setenv("LC_ALL", GetParam().locale, 1);
    unsetenv("LANGUAGE");
    app::bindCatalog();
    const Catalog pot = parsePo(kLang / "PrinterConfig.pot");
    for (const auto& [id, unused] : pot.entries) {
        if (id.empty()) {
            continue;
        }
        std::array<QVWCHAR, 260> text{};
        ASSERT_NE(BaseGetPOText(id.c_str(), text.data()), nullptr);
        EXPECT_NE(text[0], 0) << id << " comes out empty";
    }
    std::array<QVWCHAR, 260> sample{};
    BaseGetPOText(GetParam().id, sample.data());
    EXPECT_EQ(std::u16string(sample.data()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, CompiledCatalog,
    ::testing::Values(CompiledCase{"en_US.UTF-8", "PO_QV_PRINT_STATUS_READY", u"Ready"},
                      CompiledCase{"zh_CN.UTF-8", "PO_QV_PRINT_STATUS_READY", u"\u5c31\u7eea"},
                      CompiledCase{"C", "PO_GSTR_PRINTER", u"Printer"},
                      CompiledCase{"POSIX", "PO_GSTR_PRINTER", u"Printer"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

}  // namespace
