#include "profile.h"

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>

namespace qv410 {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::string_view, 4> kTopLevel{"formatVersion", "settings", "printer",
                                                    "readAt"};
constexpr std::array<std::string_view, 3> kOriginFields{"printerType", "serialNumber",
                                                        "firmwareVersion"};

template <std::size_t N>
bool oneOf(const std::array<std::string_view, N>& names, std::string_view name) {
    for (const std::string_view n : names) {
        if (n == name) {
            return true;
        }
    }
    return false;
}

ParsedProfile refused(std::string field, std::string message) {
    ParsedProfile parsed;
    parsed.fault = ProfileFault{std::move(field), std::move(message)};
    return parsed;
}

// The value of one setting: a whole number in range, or one of the list's words.
std::optional<ProfileFault> settingFromJson(std::size_t index, const Json& value, int& out) {
    const SettingInfo& info = settingTable()[index];
    const std::string field = "settings." + std::string(info.name);
    if (value.is_string()) {
        const auto word = settingWord(index, value.get<std::string>());
        if (!word) {
            return ProfileFault{field, info.words.empty() ? "expected a number " + rangeText(index)
                                                          : "not one of " + wordsText(index, ", ") +
                                                                " (or their numbers)"};
        }
        out = *word;
        return std::nullopt;
    }
    if (!value.is_number_integer()) {
        return ProfileFault{field, "expected a whole number " + rangeText(index) + ", not " +
                                       std::string(value.type_name())};
    }
    // Unsigned beyond the signed range is out of range anyway.
    const bool huge = value.is_number_unsigned() &&
                      value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT32_MAX);
    const long long number = huge ? INT64_MAX : value.get<std::int64_t>();
    if (!qv::model::inRange(info, number)) {
        return ProfileFault{field, value.dump() + " is out of range " + rangeText(index)};
    }
    out = static_cast<int>(number);
    return std::nullopt;
}

}  // namespace

std::string profileText(const SettingValues& values, const ProfileOrigin& origin) {
    Json settings = Json::object();
    for (std::size_t i = 0; i < values.size(); ++i) {
        settings[std::string(settingTable()[i].name)] = values[i];
    }
    const Json profile = {{"formatVersion", kProfileFormatVersion},
                          {"settings", settings},
                          {"printer",
                           {{"printerType", origin.printerType},
                            {"serialNumber", origin.serialNumber},
                            {"firmwareVersion", origin.firmwareVersion}}},
                          {"readAt", origin.readAt}};
    return profile.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

ParsedProfile parseProfile(std::string_view text) {
    if (text.size() > kMaxProfileBytes) {
        return refused("", "larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB");
    }
    // The parser keeps the last of two equal keys without a word: find them on the way.
    std::vector<std::set<std::string>> keys;
    std::optional<std::string> repeated;
    const Json::parser_callback_t noteKeys = [&](int /*depth*/, Json::parse_event_t event,
                                                 Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            keys.emplace_back();
        } else if (event == Json::parse_event_t::object_end && !keys.empty()) {
            keys.pop_back();
        } else if (event == Json::parse_event_t::key && !keys.empty() && !repeated &&
                   !keys.back().insert(parsed.get<std::string>()).second) {
            repeated = parsed.get<std::string>();
        }
        return true;
    };
    Json profile;
    try {
        // Strict: anything but white space after the object is refused.
        profile = Json::parse(text.begin(), text.end(), noteKeys, true, false);
    } catch (const Json::parse_error& e) {
        return refused("", std::string("not a JSON document: ") + e.what());
    }
    if (repeated) {
        return refused(*repeated, "given twice");
    }
    if (!profile.is_object()) {
        return refused("", "expected a JSON object");
    }
    for (const auto& [key, value] : profile.items()) {
        if (!oneOf(kTopLevel, key)) {
            return refused(key, "unknown field");
        }
    }
    if (!profile.contains("formatVersion")) {
        return refused("formatVersion", "missing");
    }
    const Json& version = profile["formatVersion"];
    if (!version.is_number_integer() || version.get<std::int64_t>() != kProfileFormatVersion) {
        return refused("formatVersion", "unknown format version " + version.dump() +
                                            " (this qv410 reads " +
                                            std::to_string(kProfileFormatVersion) + ")");
    }
    if (profile.contains("printer")) {
        const Json& printer = profile["printer"];
        if (!printer.is_object()) {
            return refused("printer", "expected an object");
        }
        for (const auto& [key, value] : printer.items()) {
            if (!oneOf(kOriginFields, key)) {
                return refused("printer." + key, "unknown field");
            }
            if (!value.is_string()) {
                return refused("printer." + key, "expected a text");
            }
        }
    }
    if (profile.contains("readAt") && !profile["readAt"].is_string()) {
        return refused("readAt", "expected a text");
    }
    if (!profile.contains("settings")) {
        return refused("settings", "missing");
    }
    const Json& settings = profile["settings"];
    if (!settings.is_object()) {
        return refused("settings", "expected an object");
    }
    for (const auto& [key, value] : settings.items()) {
        if (!findSetting(key)) {
            return refused("settings." + key, "unknown setting");
        }
    }
    ParsedProfile parsed;
    for (std::size_t i = 0; i < settingTable().size(); ++i) {
        const std::string name(settingTable()[i].name);
        if (!settings.contains(name)) {
            return refused("settings." + name, "missing");
        }
        if (auto fault = settingFromJson(i, settings[name], parsed.values[i])) {
            return refused(fault->field, fault->message);
        }
    }
    return parsed;
}

std::vector<SettingDifference> settingDifferences(const SettingValues& stored,
                                                  const SettingValues& wanted) {
    std::vector<SettingDifference> differences;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != wanted[i]) {
            differences.push_back({i, stored[i], wanted[i]});
        }
    }
    return differences;
}

}  // namespace qv410
