// The shared library's dynamic symbol table: the C API and nothing else of ours.
#include <gtest/gtest.h>

#include <clocale>
#include <optional>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "text/codepage.h"

namespace {

std::set<std::string> definedDynamicSymbols(const std::string& library) {
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + library + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return names;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        const auto space = text.rfind(' ');
        if (space != std::string::npos) {
            names.insert(text.substr(space + 1));
        }
    }
    return names;
}

TEST(SharedLibrary, ExportsExactlyTheCApi) {
    const std::set<std::string> expected = {
        "BaseGetQVError", "BaseGetPOText", "BaseGetQVErrorString", "BaseDownloadFirmware",
        "QVGetPrinterType", "QVGetPrinterSerialNum", "QVGetPrinterFirmwareVer", "QVGetPrinterIsOK",
        "QVGetPrinterPrintedLen", "QVBadPointCheck", "QVGetPrinterInfo", "USBCheckConnection",
        "QVSetPrintSetting", "QVGetPrinterPrintSettingParam", "QVSetUserDefSetting",
        "QVRestoreFactorySettings", "QVSetLocationSetting", "QVSetDumpMode",
        "QVLabelLackPaperLearn", "GetSettingResult", "QVTextTestPrint", "QVSelfTestPrint",
        // The two additions for choosing among several printers.
        "QVListPrinterPaths", "QVSelectPrinterPath"};
    std::set<std::string> ours = definedDynamicSymbols(QV_TEST_SHARED_LIBRARY);
    // The linker's own version node is not ours.
    ours.erase("VERS_1.0");
    EXPECT_EQ(ours, expected);
}

TEST(TextCopy, BoundedCopyNeverSplitsASurrogatePairOrOverruns) {
    char16_t out[6];
    std::fill(std::begin(out), std::end(out), u'#');
    qv::text::copyTerminated(u"abc\U0001F600", out, 5);  // 3 units + a pair do not fit in 4
    EXPECT_EQ(std::u16string(out), u"abc");
    EXPECT_EQ(out[5], u'#');
    qv::text::copyTerminated(u"abcdefgh", out, 5);
    EXPECT_EQ(std::u16string(out), u"abcd");
    EXPECT_EQ(out[5], u'#');
}

TEST(TextConversion, UnpairedSurrogatesAndUnknownCharactersBecomeSubstitutes) {
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(qv::text::toProcessCodepage(lone), "a?b");
}

// Each ill-formed part of UTF-8 becomes one "?" and the rest of the text is kept.
TEST(TextConversion, Utf8KeepsTheTextAroundInvalidSequences) {
    EXPECT_EQ(qv::text::fromUtf8("a\xff"
                                 "b"),
              u"a?b");
    EXPECT_EQ(qv::text::fromUtf8("x\xe6\x89"), u"x?");  // cut short at the end
    EXPECT_EQ(qv::text::fromUtf8("\xe6\x89"
                                 "A"),
              u"?A");  // cut short inside
    EXPECT_EQ(qv::text::fromUtf8("\xc0\xaf"
                                 "c"),
              u"??c");                                           // overlong
    EXPECT_EQ(qv::text::fromUtf8("\xed\xa0\x80"), u"???");       // a surrogate
    EXPECT_EQ(qv::text::fromUtf8("\xf4\x90\x80\x80"), u"????");  // beyond U+10FFFF
    EXPECT_EQ(qv::text::fromUtf8("\xe6\x89\x93\xf0\x9f\x98\x80"), u"打\U0001F600");
}

// Every width of UTF-8 comes out of a path; a path with an unpaired surrogate names no file.
TEST(TextConversion, StrictUtf8TakesPairsAndRefusesLoneSurrogates) {
    EXPECT_EQ(qv::text::toUtf8(u"/dev/usb/lp0"), "/dev/usb/lp0");
    EXPECT_EQ(qv::text::toUtf8(u"\u00e9\u6253\U0001F600"), "\xc3\xa9\xe6\x89\x93\xf0\x9f\x98\x80");
    EXPECT_EQ(qv::text::toUtf8(u""), "");
    const char16_t highAtEnd[] = {u'a', 0xD83D};
    EXPECT_EQ(qv::text::toUtf8(std::u16string_view(highAtEnd, 2)), std::nullopt);
    const char16_t highThenLetter[] = {0xD83D, u'b'};
    EXPECT_EQ(qv::text::toUtf8(std::u16string_view(highThenLetter, 2)), std::nullopt);
    const char16_t lowAlone[] = {u'a', 0xDE00, u'b'};
    EXPECT_EQ(qv::text::toUtf8(std::u16string_view(lowAlone, 3)), std::nullopt);
}

// A text that does not convert as a whole is reported as such, never as a shorter text.
TEST(TextConversion, CodepageTextWithAnInvalidByteDoesNotConvert) {
    ASSERT_NE(std::setlocale(LC_ALL, "en_US.UTF-8"), nullptr);
    EXPECT_EQ(qv::text::fromProcessCodepage("V1.05\xff 2025"), std::nullopt);
    EXPECT_EQ(qv::text::fromProcessCodepage("V1.05\xe6\x89"), std::nullopt);
    EXPECT_EQ(qv::text::fromProcessCodepage("V1.05 \xe6\x89\x93"), u"V1.05 打");
    EXPECT_EQ(qv::text::fromProcessCodepage(""), u"");
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    EXPECT_EQ(qv::text::fromProcessCodepage("abc\x80"), std::nullopt);
    EXPECT_EQ(qv::text::fromProcessCodepage("abc"), u"abc");
}

}  // namespace
