#include "print_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

namespace qv410 {

const std::array<SettingInfo, kSettingCount>& settingTable() {
    return qv::model::kPrintSettings;
}

std::optional<std::size_t> findSetting(std::string_view name) {
    return qv::model::findSetting(name);
}

int settingValue(const PrintSettingParam& record, std::size_t index) {
    return settingTable().at(index).get(record);
}

SettingValues settingValues(const PrintSettingParam& record) {
    return qv::model::valuesOf(record);
}

PrintSettingParam recordToWrite(const SettingValues& values) {
    return qv::model::recordOf(values, qv::model::RecordForm::toWrite);
}

std::string wordsText(std::size_t index, std::string_view separator) {
    std::string words;
    for (const std::string_view word : settingTable().at(index).words) {
        if (!words.empty()) {
            words += separator;
        }
        words += word;
    }
    return words;
}

std::string rangeText(std::size_t index) {
    const SettingInfo& info = settingTable().at(index);
    std::string range = std::to_string(info.min) + "-" + std::to_string(info.max);
    if (info.words.empty()) {
        return range;
    }
    return wordsText(index, "|") + " (" + range + ")";
}

std::optional<int> settingWord(std::size_t index, std::string_view text) {
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
    return std::nullopt;
}

std::optional<int> parseSettingValue(std::size_t index, std::string_view text) {
    const SettingInfo& info = settingTable().at(index);
    if (const auto word = settingWord(index, text)) {
        return word;
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
    if (!qv::model::inRange(info, value)) {
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
        if (!qv::model::inRange(table[i], values[i])) {
            return i;
        }
    }
    return std::nullopt;
}

std::string settingsHelp() {
    std::string text;
    for (std::size_t i = 0; i < settingTable().size(); ++i) {
        const SettingInfo& info = settingTable()[i];
        std::string line = "  " + std::string(info.name);
        line.resize(20, ' ');
        line += rangeText(i);
        if (!info.unit.empty()) {
            line += " (" + std::string(info.unit) + ")";
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace qv410
