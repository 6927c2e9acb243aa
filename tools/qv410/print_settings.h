// The thirteen print settings by their record field names, as qv410 takes them on its command
// line and in profiles: the shared table, the page's rules for a value, and the record.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QVSettingToolDll.h"
#include "printer_model/print_settings.h"

namespace qv410 {

using SettingInfo = qv::model::PrintSetting;
using qv::model::kSettingCount;
using SettingValues = qv::model::SettingValues;

// In record order.
const std::array<SettingInfo, kSettingCount>& settingTable();

std::optional<std::size_t> findSetting(std::string_view name);

// The field as the record holds it after a read (printToStop signed).
int settingValue(const PrintSettingParam& record, std::size_t index);

// "30-400" for numbers, "thermal|ribbons (0-1)" for lists.
std::string rangeText(std::size_t index);

// The words of a list joined by separator ("off, on"); empty for numbers.
std::string wordsText(std::size_t index, std::string_view separator);

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

// A list entry's English word in any case; the value it stands for.
std::optional<int> settingWord(std::size_t index, std::string_view text);

// A value as the page accepts it: decimal digits only, one leading minus sign where negative
// values are allowed, or a list entry's English word in any case; then the inclusive range.
std::optional<int> parseSettingValue(std::size_t index, std::string_view text);

// NAME=VALUE words; the first fault is reported and nothing else is looked at.
struct ParsedAssignments {
    std::vector<Assignment> assignments;
    std::optional<SettingRefusal> refusal;
};
ParsedAssignments parseAssignments(const std::vector<std::string>& words);

// The values of a record as read from the printer.
SettingValues settingValues(const PrintSettingParam& record);
// The record to write: printToStop in sign and magnitude.
PrintSettingParam recordToWrite(const SettingValues& values);

// The first value outside its range (a list value beyond its entries included).
std::optional<std::size_t> firstInvalidSetting(const SettingValues& values);

// The lines of `qv410 set --help` that list every setting with its range.
std::string settingsHelp();

}  // namespace qv410
