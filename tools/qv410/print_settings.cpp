#include "print_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

namespace qv410 {

namespace {

const std::vector<const char*> kOnOffWords = {"off", "on"};
const std::vector<const char*> kOnOffIds = {"PO_GSTR_DISABLE", "PO_GSTR_ENABLE"};

}  // namespace

const std::array<SettingInfo, kSettingCount>& settingTable() {
    static const std::array<SettingInfo, kSettingCount> table = {{
        {"printType",
         "PO_IDC_STATIC_PRINT_TYPE",
         0,
         1,
         {"thermal", "ribbons"},
         {"PO_GSTR_THERMAL", "PO_GSTR_RIBBONS"},
         nullptr,
         nullptr},
        {"powerOnPosition", "PO_IDC_STATIC_POWER_ON_POSITION", 0, 1, kOnOffWords, kOnOffIds,
         nullptr, nullptr},
        {"labelHeight", "PO_IDC_STATIC_LABEL_HEIGHT", 30, 400, {}, {}, nullptr, "mm"},
        {"paperType",
         "PO_IDC_STATIC_PAPER_TYPE",
         0,
         2,
         {"receipt", "label", "black-mark"},
         {"PO_GSTR_RECEIPT", "PO_GSTR_LABEL", "PO_GSTR_BLACK_MARK"},
         nullptr,
         nullptr},
        {"reprintWhenError", "PO_IDC_STATIC_REPRINT_WHEN_ERROR", 0, 1, kOnOffWords, kOnOffIds,
         nullptr, nullptr},
        {"preventSticker", "PO_IDC_STATIC_PREVENT_STICKER", 0, 1, kOnOffWords, kOnOffIds, nullptr,
         nullptr},
        {"specialLabel", "PO_IDC_STATIC_SPECIAL_LABEL", 0, 1, kOnOffWords, kOnOffIds, nullptr,
         nullptr},
        {"printSpeed", "PO_IDC_STATIC_PRINT_SPEED", 0, 9, {}, {}, nullptr, nullptr},
        {"darkness", "PO_IDC_STATIC_DARKNESS_SETTING", 0, 15, {}, {}, nullptr, nullptr},
        {"hOrigin", "PO_IDC_STATIC_H_ORIGIN", 0, 89, {}, {}, nullptr, nullptr},
        {"verticalOrigin", "PO_IDC_STATIC_VERTICAL_ORIGIN", 0, 89, {}, {}, nullptr, nullptr},
        {"printToStop", "PO_IDC_STATIC_PRINT_TO_STOP", -89, 89, {}, {}, nullptr, nullptr},
        {"preventTime",
         "PO_IDC_STATIC_PREVENT_TIME",
         0,
         255,
         {},
         {},
         "PO_IDC_STATIC_SHOW_MINUTES",
         nullptr},
    }};
    return table;
}

std::optional<std::size_t> findSetting(std::string_view name) {
    const auto& table = settingTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (name == table[i].name) {
            return i;
        }
    }
    return std::nullopt;
}

int settingValue(const PrintSettingParam& r, std::size_t index) {
    switch (index) {
        case 0:
            return r.printType;
        case 1:
            return r.powerOnPosition;
        case 2:
            return r.labelHeight;
        case 3:
            return r.paperType;
        case 4:
            return r.reprintWhenError;
        case 5:
            return r.preventSticker;
        case 6:
            return r.specialLabel;
        case 7:
            return r.printSpeed;
        case 8:
            return r.darkness;
        case 9:
            return r.hOrigin;
        case 10:
            return r.verticalOrigin;
        case 11:
            return r.printToStop;
        default:
            return r.preventTime;
    }
}

namespace {

void setSettingValue(PrintSettingParam& r, std::size_t index, int value) {
    const auto byte = static_cast<uint8_t>(value);
    switch (index) {
        case 0:
            r.printType = byte;
            break;
        case 1:
            r.powerOnPosition = byte;
            break;
        case 2:
            r.labelHeight = static_cast<uint16_t>(value);
            break;
        case 3:
            r.paperType = byte;
            break;
        case 4:
            r.reprintWhenError = byte;
            break;
        case 5:
            r.preventSticker = byte;
            break;
        case 6:
            r.specialLabel = byte;
            break;
        case 7:
            r.printSpeed = byte;
            break;
        case 8:
            r.darkness = byte;
            break;
        case 9:
            r.hOrigin = byte;
            break;
        case 10:
            r.verticalOrigin = byte;
            break;
        case 11:
            // -5 goes out as 0x0085: the magnitude with the sign in bit 7 of the low byte.
            r.printToStop = static_cast<int16_t>(value < 0 ? ((-value) | 0x80) : value);
            break;
        default:
            r.preventTime = static_cast<uint16_t>(value);
            break;
    }
}

}  // namespace

SettingValues settingValues(const PrintSettingParam& record) {
    SettingValues values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = settingValue(record, i);
    }
    return values;
}

PrintSettingParam recordToWrite(const SettingValues& values) {
    PrintSettingParam record{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        setSettingValue(record, i, values[i]);
    }
    return record;
}

std::string rangeText(std::size_t index) {
    const SettingInfo& info = settingTable().at(index);
    std::string range = std::to_string(info.min) + "-" + std::to_string(info.max);
    if (info.words.empty()) {
        return range;
    }
    std::string words;
    for (const char* word : info.words) {
        words += words.empty() ? "" : "|";
        words += word;
    }
    return words + " (" + range + ")";
}

std::optional<int> parseSettingValue(std::size_t index, std::string_view text) {
    const SettingInfo& info = settingTable().at(index);
    const auto sameWord = [text](std::string_view word) {
        return std::equal(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    for (std::size_t i = 0; i < info.words.size(); ++i) {
        if (sameWord(info.words[i])) {
            return static_cast<int>(i);
        }
    }
    bool negative = false;
    std::string_view digits = text;
    if (info.min < 0 && digits.starts_with('-')) {
        negative = true;
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    // Saturates like the page's conversion, so a long digit string fails the range check.
    long long value = 0;
    for (char c : digits) {
        value = std::min<long long>(value * 10 + (c - '0'), std::numeric_limits<int32_t>::max());
    }
    if (negative) {
        value = -value;
    }
    if (value < info.min || value > info.max) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

ParsedAssignments parseAssignments(const std::vector<std::string>& words) {
    ParsedAssignments parsed;
    for (const std::string& word : words) {
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
        const auto index = findSetting(name);
        if (!index) {
            parsed.refusal = SettingRefusal{name, value, true};
            return parsed;
        }
        if (equals == std::string::npos) {
            parsed.refusal = SettingRefusal{name, value, false, true};
            return parsed;
        }
        const auto number = parseSettingValue(*index, value);
        if (!number) {
            parsed.refusal = SettingRefusal{name, value, false};
            return parsed;
        }
        parsed.assignments.push_back({*index, *number});
    }
    return parsed;
}

std::optional<std::size_t> firstInvalidSetting(const SettingValues& values) {
    const auto& table = settingTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (values[i] < table[i].min || values[i] > table[i].max) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace qv410
