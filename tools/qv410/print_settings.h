// The thirteen print settings by their record field names: reading them out of the record,
// writing them in, and the ranges and rules the print settings page applies before anything is
// sent.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QVSettingToolDll.h"

namespace qv410 {

struct SettingInfo {
    const char* name;     // record field name, also the JSON key
    const char* labelId;  // catalog id of its label on the page
    int min;
    int max;
    // English words accepted for the list entries, index = value; empty for numbers.
    std::vector<const char*> words;
    // Catalog ids of the list entries as the pages show them; empty for numbers.
    std::vector<const char*> wordIds;
    const char* unitId;  // catalog id of a unit shown after the number, or nullptr
    const char* unit;    // a unit that is not translated ("mm"), or nullptr
};

inline constexpr std::size_t kSettingCount = 13;

// In record order.
const std::array<SettingInfo, kSettingCount>& settingTable();

std::optional<std::size_t> findSetting(std::string_view name);

// The field as the record holds it after a read (printToStop signed).
int settingValue(const PrintSettingParam& record, std::size_t index);

// "30-400" for numbers, "thermal|ribbons (0-1)" for lists.
std::string rangeText(std::size_t index);

struct Assignment {
    std::size_t index;
    int value;
};

struct SettingRefusal {
    std::string setting;  // the name as given, or the record field name
    std::string value;    // the offending text
    bool unknownName = false;
    bool missingValue = false;  // NAME without "=": a usage fault, not a value
};

// A value as the page accepts it: decimal digits only, one leading minus sign where negative
// values are allowed, or a list entry's English word in any case; then the inclusive range.
std::optional<int> parseSettingValue(std::size_t index, std::string_view text);

// NAME=VALUE words; the first fault is reported and nothing else is looked at.
struct ParsedAssignments {
    std::vector<Assignment> assignments;
    std::optional<SettingRefusal> refusal;
};
ParsedAssignments parseAssignments(const std::vector<std::string>& words);

using SettingValues = std::array<int, kSettingCount>;

// The values of a record as read from the printer.
SettingValues settingValues(const PrintSettingParam& record);
// The record to write: printToStop in sign and magnitude.
PrintSettingParam recordToWrite(const SettingValues& values);

// The first value outside its range (a list value beyond its entries included).
std::optional<std::size_t> firstInvalidSetting(const SettingValues& values);

}  // namespace qv410
