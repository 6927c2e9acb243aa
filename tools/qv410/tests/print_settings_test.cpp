// The rules qv410 applies to print settings before anything is sent, and the text conversions at
// the library's boundary.
#include <gtest/gtest.h>

#include <functional>

#include <nlohmann/json.hpp>

#include "metrics.h"
#include "print_settings.h"
#include "profile.h"
#include "utf.h"

namespace {

using qv410::findSetting;
using qv410::parseSettingValue;

std::size_t index(const char* name) {
    const auto found = findSetting(name);
    EXPECT_TRUE(found.has_value()) << name;
    return found.value_or(0);
}

TEST(SettingValue, NumbersAreInclusiveRangesOfPlainDigits) {
    EXPECT_EQ(parseSettingValue(index("labelHeight"), "30"), 30);
    EXPECT_EQ(parseSettingValue(index("labelHeight"), "400"), 400);
    EXPECT_EQ(parseSettingValue(index("labelHeight"), "030"), 30);
    EXPECT_EQ(parseSettingValue(index("labelHeight"), "29"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("labelHeight"), "401"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("preventTime"), "255"), 255);
    EXPECT_EQ(parseSettingValue(index("preventTime"), "256"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("darkness"), "15"), 15);
    EXPECT_EQ(parseSettingValue(index("darkness"), "16"), std::nullopt);
    // Too long for 32 bits: saturated, then out of range rather than wrapped into it.
    EXPECT_EQ(parseSettingValue(index("labelHeight"), "4294967396"), std::nullopt);
    for (const char* bad : {"", " 60", "60 ", "+60", "6O", "60mm", "0x3c", "-60"}) {
        EXPECT_EQ(parseSettingValue(index("labelHeight"), bad), std::nullopt) << bad;
    }
}

TEST(SettingValue, OnlyPrintToStopTakesOneLeadingMinus) {
    const std::size_t stop = index("printToStop");
    EXPECT_EQ(parseSettingValue(stop, "-89"), -89);
    EXPECT_EQ(parseSettingValue(stop, "89"), 89);
    EXPECT_EQ(parseSettingValue(stop, "-0"), 0);
    for (const char* bad : {"-90", "90", "-", "--5", "5-", "+5", " -5"}) {
        EXPECT_EQ(parseSettingValue(stop, bad), std::nullopt) << bad;
    }
    EXPECT_EQ(parseSettingValue(index("hOrigin"), "-1"), std::nullopt);
}

TEST(SettingValue, ListsTakeTheirWordsOrIndexesButNothingBeyond) {
    EXPECT_EQ(parseSettingValue(index("printType"), "ribbons"), 1);
    EXPECT_EQ(parseSettingValue(index("printType"), "thermal"), 0);
    EXPECT_EQ(parseSettingValue(index("paperType"), "black-mark"), 2);
    EXPECT_EQ(parseSettingValue(index("paperType"), "2"), 2);
    EXPECT_EQ(parseSettingValue(index("paperType"), "3"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("specialLabel"), "on"), 1);
    // Words in any case, but whole words only.
    EXPECT_EQ(parseSettingValue(index("specialLabel"), "ON"), 1);
    EXPECT_EQ(parseSettingValue(index("paperType"), "Black-Mark"), 2);
    EXPECT_EQ(parseSettingValue(index("paperType"), "LABELS"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("paperType"), "lab"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("paperType"), ""), std::nullopt);
    // A word belongs to its own list only.
    EXPECT_EQ(parseSettingValue(index("printType"), "on"), std::nullopt);
    EXPECT_EQ(parseSettingValue(index("printSpeed"), "on"), std::nullopt);
}

TEST(Assignments, FirstFaultIsReportedByName) {
    const auto ok = qv410::parseAssignments({"labelHeight=60", "paperType=receipt"});
    ASSERT_FALSE(ok.refusal.has_value());
    ASSERT_EQ(ok.assignments.size(), 2U);
    EXPECT_EQ(ok.assignments[1].value, 0);

    const auto unknown = qv410::parseAssignments({"labelHeight=60", "height=60", "darkness=99"});
    ASSERT_TRUE(unknown.refusal.has_value());
    EXPECT_TRUE(unknown.refusal->unknownName);
    EXPECT_EQ(unknown.refusal->setting, "height");

    const auto noValue = qv410::parseAssignments({"darkness"});
    ASSERT_TRUE(noValue.refusal.has_value());
    EXPECT_FALSE(noValue.refusal->unknownName);
    EXPECT_TRUE(noValue.refusal->missingValue);
    EXPECT_EQ(noValue.refusal->setting, "darkness");
    // An empty value is a value, and a wrong one.
    const auto empty = qv410::parseAssignments({"darkness="});
    ASSERT_TRUE(empty.refusal.has_value());
    EXPECT_FALSE(empty.refusal->missingValue);
}

TEST(SettingRecord, PrintToStopIsWrittenAsSignAndMagnitude) {
    qv410::SettingValues values = qv410::settingValues(PrintSettingParam{});
    values[index("printToStop")] = -89;
    EXPECT_EQ(qv410::recordToWrite(values).printToStop, 0x00D9);
    values[index("printToStop")] = -5;
    EXPECT_EQ(qv410::recordToWrite(values).printToStop, 0x0085);
    values[index("printToStop")] = 89;
    EXPECT_EQ(qv410::recordToWrite(values).printToStop, 89);
    values[index("labelHeight")] = 400;
    EXPECT_EQ(qv410::recordToWrite(values).labelHeight, 400);
}

TEST(SettingRecord, StoredValuesBeyondTheirRangeAreFound) {
    PrintSettingParam record{};
    record.labelHeight = 400;
    EXPECT_EQ(qv410::firstInvalidSetting(qv410::settingValues(record)), std::nullopt);
    record.printSpeed = 12;
    record.preventTime = 300;
    EXPECT_EQ(qv410::firstInvalidSetting(qv410::settingValues(record)), index("printSpeed"));
    record.printSpeed = 9;
    EXPECT_EQ(qv410::firstInvalidSetting(qv410::settingValues(record)), index("preventTime"));
    record.preventTime = 0;
    record.printToStop = -90;
    EXPECT_EQ(qv410::firstInvalidSetting(qv410::settingValues(record)), index("printToStop"));
}

TEST(Utf8, WellFormedTextRoundTripsThroughUtf16) {
    const std::string text = "A\xC3\xA9\xE6\x89\x93\xF0\x9F\x98\x80";  // A, e acute, CJK, emoji
    const auto wide = qv410::utf8ToUtf16(text);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(*wide, u"A\u00e9\u6253\U0001F600");
    EXPECT_EQ(qv410::utf16ToUtf8(wide->c_str(), wide->size()), text);
}

TEST(Utf8, MalformedTextIsRefused) {
    for (const std::string bad : {"\x80", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", "\xFF", "ok\xE6\x89"}) {
        EXPECT_EQ(qv410::utf8ToUtf16(bad), std::nullopt);
    }
}

TEST(Utf16, StopsAtTheBoundOrTerminatorAndReplacesLoneSurrogates) {
    const char16_t unterminated[3] = {u'a', u'b', u'c'};
    EXPECT_EQ(qv410::utf16ToUtf8(unterminated, 2), "ab");
    const char16_t terminated[4] = {u'a', 0, u'c', 0};
    EXPECT_EQ(qv410::utf16ToUtf8(terminated, 4), "a");
    // A high surrogate cut off by the bound is not paired with what lies beyond it.
    const char16_t pair[2] = {0xD83D, 0xDE00};
    EXPECT_EQ(qv410::utf16ToUtf8(pair, 1), "\xEF\xBF\xBD");
    const char16_t lone[2] = {0xDE00, u'x'};
    EXPECT_EQ(qv410::utf16ToUtf8(lone, 2), "\xEF\xBF\xBDx");
}

// --- The tool against the one table of settings -------------------------------------------

TEST(SettingsTable, ToolTakesExactlyTheTableRangesAndWords) {
    const auto& table = qv::model::kPrintSettings;
    ASSERT_EQ(qv410::settingTable().size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& s = table[i];
        SCOPED_TRACE(std::string(s.name));
        EXPECT_EQ(findSetting(s.name), i);
        EXPECT_EQ(parseSettingValue(i, std::to_string(s.min)), s.min);
        EXPECT_EQ(parseSettingValue(i, std::to_string(s.max)), s.max);
        EXPECT_EQ(parseSettingValue(i, std::to_string(s.min - 1)), std::nullopt);
        EXPECT_EQ(parseSettingValue(i, std::to_string(s.max + 1)), std::nullopt);
        for (std::size_t w = 0; w < s.words.size(); ++w) {
            EXPECT_EQ(parseSettingValue(i, s.words[w]), static_cast<int>(w));
        }
        EXPECT_EQ(s.words.empty() ? 0U : s.words.size(), s.wordIds.size());
        const std::string range = std::to_string(s.min) + "-" + std::to_string(s.max);
        EXPECT_NE(qv410::rangeText(i).find(range), std::string::npos);
        // set --help and apply --help list the same line.
        EXPECT_NE(qv410::settingsHelp().find(std::string(s.name)), std::string::npos);
    }
}

// --- Profiles -----------------------------------------------------------------------------

qv410::SettingValues someValues() {
    qv410::SettingValues values = qv::model::factoryValues();
    values[index("labelHeight")] = 60;
    values[index("printToStop")] = -7;
    values[index("paperType")] = 2;
    return values;
}

std::string validProfile() {
    return qv410::profileText(someValues(),
                              {"QV-410", "SER-A", "V1.05 2025-11-10", "2026-12-10T10:40:00Z"});
}

// The valid profile with one change made to its JSON.
std::string edited(const std::function<void(nlohmann::ordered_json&)>& change) {
    auto json = nlohmann::ordered_json::parse(validProfile());
    change(json);
    return json.dump();
}

TEST(Profile, SavedTextReadsBackToTheSameValues) {
    const auto parsed = qv410::parseProfile(validProfile());
    ASSERT_FALSE(parsed.fault.has_value()) << parsed.fault->message;
    EXPECT_EQ(parsed.values, someValues());
    const auto json = nlohmann::json::parse(validProfile());
    EXPECT_EQ(json["formatVersion"], 1);
    EXPECT_EQ(json["settings"]["printToStop"], -7);
    EXPECT_EQ(json["printer"]["serialNumber"], "SER-A");
    // Words stand for their numbers.
    const auto words = qv410::parseProfile(edited([](auto& j) {
        j["settings"]["paperType"] = "Black-Mark";
        j["settings"]["specialLabel"] = "on";
    }));
    ASSERT_FALSE(words.fault.has_value());
    EXPECT_EQ(words.values[index("paperType")], 2);
    EXPECT_EQ(words.values[index("specialLabel")], 1);
}

struct MalformedProfile {
    const char* what;
    std::string text;
    std::string field;
};

TEST(Profile, EveryMalformedProfileIsRefusedNamingTheField) {
    using J = nlohmann::ordered_json;
    const std::vector<MalformedProfile> cases = {
        {"format version 2", edited([](J& j) { j["formatVersion"] = 2; }), "formatVersion"},
        {"format version as text", edited([](J& j) { j["formatVersion"] = "1"; }), "formatVersion"},
        {"no format version", edited([](J& j) { j.erase("formatVersion"); }), "formatVersion"},
        {"missing name", edited([](J& j) { j["settings"].erase("darkness"); }),
         "settings.darkness"},
        {"unknown name", edited([](J& j) { j["settings"]["height"] = 60; }), "settings.height"},
        {"unknown top-level field", edited([](J& j) { j["extra"] = 1; }), "extra"},
        {"above the range", edited([](J& j) { j["settings"]["labelHeight"] = 401; }),
         "settings.labelHeight"},
        {"below the range", edited([](J& j) { j["settings"]["printToStop"] = -90; }),
         "settings.printToStop"},
        {"huge number", edited([](J& j) { j["settings"]["labelHeight"] = 18446744073709551615U; }),
         "settings.labelHeight"},
        {"fraction", edited([](J& j) { j["settings"]["darkness"] = 8.5; }), "settings.darkness"},
        {"boolean", edited([](J& j) { j["settings"]["specialLabel"] = true; }),
         "settings.specialLabel"},
        {"digits as text", edited([](J& j) { j["settings"]["labelHeight"] = "60"; }),
         "settings.labelHeight"},
        {"unknown word", edited([](J& j) { j["settings"]["paperType"] = "labels"; }),
         "settings.paperType"},
        {"null", edited([](J& j) { j["settings"]["hOrigin"] = nullptr; }), "settings.hOrigin"},
        {"settings not an object", edited([](J& j) { j["settings"] = J::array(); }), "settings"},
        {"printer not an object", edited([](J& j) { j["printer"] = "QV-410"; }), "printer"},
        {"read time not a text", edited([](J& j) { j["readAt"] = 5; }), "readAt"},
        {"trailing data", validProfile() + "{}", ""},
        {"not JSON", "labelHeight=60", ""},
        {"an array", "[1]", ""},
        {"empty", "", ""},
        {"repeated name", R"({"formatVersion":1,"formatVersion":1,"settings":{}})",
         "formatVersion"},
        {"over 64 KiB", validProfile() + std::string(64 * 1024, ' '), ""},
    };
    for (const auto& c : cases) {
        const auto parsed = qv410::parseProfile(c.text);
        ASSERT_TRUE(parsed.fault.has_value()) << c.what;
        EXPECT_EQ(parsed.fault->field, c.field) << c.what << ": " << parsed.fault->message;
        EXPECT_FALSE(parsed.fault->message.empty()) << c.what;
    }
    // White space after the object is no trailing data, and 64 KiB is still allowed.
    std::string padded = validProfile();
    padded.resize(64 * 1024, ' ');
    EXPECT_FALSE(qv410::parseProfile(padded).fault.has_value());
}

TEST(Profile, DifferencesAreTheSettingsThatDifferInRecordOrder) {
    qv410::SettingValues stored = someValues();
    EXPECT_TRUE(qv410::settingDifferences(stored, someValues()).empty());
    stored[index("preventTime")] = 9;
    stored[index("labelHeight")] = 40;
    const auto differences = qv410::settingDifferences(stored, someValues());
    ASSERT_EQ(differences.size(), 2U);
    EXPECT_EQ(differences[0].index, index("labelHeight"));
    EXPECT_EQ(differences[0].from, 40);
    EXPECT_EQ(differences[0].to, 60);
    EXPECT_EQ(differences[1].index, index("preventTime"));
}

// --- Metrics text -------------------------------------------------------------------------

TEST(Metrics, DownPrinterHasOnlyUpWithItsReasonAndLabelsAreEscaped) {
    qv410::PrinterSample up;
    up.node = "/dev/usb/lp0";
    up.serialNumber = "SER-\"A\"\\";
    up.up = true;
    up.status = 0x08;
    up.printedLength = 12345;
    up.printerType = "QV-410";
    up.firmwareVersion = "V1.05";
    qv410::PrinterSample down;
    down.node = "/dev/usb/lp1";
    down.reason = "No such file or directory";
    const std::string text = qv410::metricsText({up, down});
    const std::string a = R"({serial="SER-\"A\"\\",node="/dev/usb/lp0"})";
    EXPECT_NE(text.find("qv410_printers 2\n"), std::string::npos);
    EXPECT_NE(text.find("qv410_up" + a + " 1\n"), std::string::npos) << text;
    EXPECT_NE(
        text.find(
            R"(qv410_up{serial="",node="/dev/usb/lp1",reason="No such file or directory"} 0)"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("qv410_status" + a + " 8\n"), std::string::npos);
    EXPECT_NE(
        text.find(R"(qv410_status_bit{serial="SER-\"A\"\\",node="/dev/usb/lp0",bit="paperOut"} 1)"),
        std::string::npos);
    EXPECT_NE(
        text.find(R"(qv410_status_bit{serial="SER-\"A\"\\",node="/dev/usb/lp0",bit="pause"} 0)"),
        std::string::npos);
    EXPECT_NE(text.find("qv410_printed_length_meters_total" + a + " 123.45\n"), std::string::npos);
    // Nothing but up for the printer that did not answer.
    EXPECT_EQ(text.find("lp1\"} "), std::string::npos) << text;
    EXPECT_EQ(text.find("lp1\",bit"), std::string::npos) << text;
}

}  // namespace
