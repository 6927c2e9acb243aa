// The shared library's dynamic symbol table: the C API and nothing else of ours.
#include <gtest/gtest.h>

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
        "BaseGetQVError",          "BaseGetPOText",
        "BaseGetQVErrorString",    "BaseDownloadFirmware",
        "QVGetPrinterType",        "QVGetPrinterSerialNum",
        "QVGetPrinterFirmwareVer", "QVGetPrinterIsOK",
        "QVGetPrinterPrintedLen",  "QVBadPointCheck",
        "QVGetPrinterInfo",        "USBCheckConnection",
        "QVSetPrintSetting",       "QVGetPrinterPrintSettingParam",
        "QVSetUserDefSetting",     "QVRestoreFactorySettings",
        "QVSetLocationSetting",    "QVSetDumpMode",
        "QVLabelLackPaperLearn",   "GetSettingResult",
        "QVTextTestPrint",         "QVSelfTestPrint"};
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
    EXPECT_EQ(qv::text::fromUtf8("a\xff"), u"a");  // stops at invalid input
    const std::string converted = qv::text::toProcessCodepage(lone);
    EXPECT_EQ(converted, "a?b");
}

}  // namespace
