// Profiles: the thirteen print settings of one printer in a small JSON file, saved from one
// printer and applied to others. Checked whole before anything goes to a printer.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "print_settings.h"

namespace qv410 {

inline constexpr int kProfileFormatVersion = 1;
// Thirteen numbers and a few texts fit many times over; anything larger is not a profile.
inline constexpr std::size_t kMaxProfileBytes = 64 * 1024;

// For reference only: the printer the profile was read from, and when.
struct ProfileOrigin {
    std::string printerType;
    std::string serialNumber;
    std::string firmwareVersion;
    std::string readAt;  // UTC, as 2026-12-10T10:40:00Z
};

// The profile as a JSON document (indented, one final line break).
std::string profileText(const SettingValues& values, const ProfileOrigin& origin);

struct ProfileFault {
    std::string field;  // "settings.labelHeight", "formatVersion", or "" for the whole document
    std::string message;
};

struct ParsedProfile {
    SettingValues values{};
    std::optional<ProfileFault> fault;
};

// Refuses an unknown format version, a missing, unknown or repeated name, a value of the wrong
// type or out of range, a document that is no JSON object or has anything after it, and more
// than kMaxProfileBytes. Values are numbers or the words qv410 set takes.
ParsedProfile parseProfile(std::string_view text);

struct SettingDifference {
    std::size_t index;
    int from;
    int to;
};

// The settings whose stored value differs from the wanted one, in record order.
std::vector<SettingDifference> settingDifferences(const SettingValues& stored,
                                                  const SettingValues& wanted);

}  // namespace qv410
