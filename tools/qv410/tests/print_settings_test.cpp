// The rules qv410 applies to print settings before anything is sent, and the text conversions at
// the library's boundary.
#include <gtest/gtest.h>

#include "print_settings.h"
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

}  // namespace
