// Writes a gettext catalog (.mo) from pairs of message id and translation, byte for byte as given:
// tests and fuzz targets need translations that no .po compiler would let through (invalid
// UTF-8, texts far beyond any buffer).
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace qv::testing {

using Translations = std::vector<std::pair<std::string, std::string>>;

inline std::string moImage(Translations entries) {
    entries.emplace_back("", "Content-Type: text/plain; charset=UTF-8\n");
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const auto& a, const auto& b) { return a.first == b.first; }),
                  entries.end());
    const auto n = static_cast<uint32_t>(entries.size());
    const uint32_t idTable = 28;
    const uint32_t textTable = idTable + 8 * n;
    uint32_t offset = textTable + 8 * n;
    std::string head;
    std::string strings;
    const auto put = [](std::string& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    };
    for (const uint32_t v : {0x950412DEu, 0u, n, idTable, textTable, 0u, 0u}) {
        put(head, v);
    }
    std::string ids;
    std::string texts;
    const auto add = [&](std::string& table, const std::string& s) {
        put(table, static_cast<uint32_t>(s.size()));
        put(table, offset);
        strings += s;
        strings += '\0';
        offset += static_cast<uint32_t>(s.size() + 1);
    };
    for (const auto& e : entries) {
        add(ids, e.first);
    }
    for (const auto& e : entries) {
        add(texts, e.second);
    }
    return head + ids + texts + strings;
}

// Writes <dir>/<language>/LC_MESSAGES/<domain>.mo; returns false when it cannot.
inline bool writeMo(const std::string& file, const Translations& entries) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string image = moImage(entries);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out);
}

}  // namespace qv::testing
