// Message ids to text through a real compiled catalog, and error codes to their texts.
#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mo_file.h"
#include "sim_fixture.h"
#include "test_platform.h"
#include "text/codepage.h"

namespace {

constexpr std::size_t kBuffer = 270;  // a little more than callers pass, to see overruns
constexpr char16_t kFill = u'#';

class CatalogLookupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::resetLinkStateForTesting();
        ASSERT_TRUE(qv::testing::useLanguage("en_US")) << "no English locale with Latin letters";
        bindtextdomain("PrinterTest", QV_TEST_CATALOG_DIR);
        textdomain("PrinterTest");
        bind_textdomain_codeset("PrinterTest", "utf-8");
        std::fill(std::begin(buffer), std::end(buffer), kFill);
    }
    void TearDown() override { qv::testing::restoreLocale(); }

    std::u16string lookup(const char* id) {
        EXPECT_EQ(BaseGetPOText(id, buffer), buffer);
        return std::u16string(buffer, qv::text::boundedLength(buffer, kBuffer));
    }
    bool untouched() const {
        return std::all_of(std::begin(buffer), std::end(buffer),
                           [](char16_t c) { return c == kFill; });
    }

    QVWCHAR buffer[kBuffer];
};

TEST_F(CatalogLookupTest, TranslatedIdFillsTheBufferAndKeepsTheErrorCode) {
    qv::setError(QV_ERR_WRITE_USB_FAIL);
    EXPECT_EQ(lookup("PO_GSTR_SUCCESS"), u"Success!");
    EXPECT_EQ(lookup("PO_GSTR_ACCENTED"), u"Café crème à l'été");
    // What the process code page lacks comes back as its substitute.
    EXPECT_EQ(lookup("PO_GSTR_CJK"), qv::testing::codePageHoldsCjk() ? u"打印机" : u"???");
    EXPECT_EQ(BaseGetQVError(), QV_ERR_WRITE_USB_FAIL);
}

TEST_F(CatalogLookupTest, UntranslatedIdLeavesTheBufferUntouched) {
    EXPECT_EQ(BaseGetPOText("PO_GSTR_NOT_IN_CATALOG", buffer), buffer);
    EXPECT_TRUE(untouched());
    // A translation equal to its id counts as none.
    EXPECT_EQ(BaseGetPOText("PO_GSTR_SAME_AS_ID", buffer), buffer);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(BaseGetQVError(), 0);
}

TEST_F(CatalogLookupTest, EndFlagHasABuiltInText) {
    EXPECT_EQ(lookup("PO_END_FLAG"), u"End flag");
    EXPECT_EQ(buffer[9], kFill);
}

#ifdef _WIN32
// Windows names its locales in English words, as setlocale reports them: such a name in LC_ALL
// still finds its language, one too long for libintl to remember included.
TEST_F(CatalogLookupTest, WindowsLocaleNameInTheEnvironmentFindsItsLanguage) {
    for (const std::string& name : {std::string("English_United States.1252"),
                                    "English_United States." + std::string(1200, '1')}) {
        ASSERT_EQ(_putenv_s("LC_ALL", name.c_str()), 0);
        textdomain("PrinterTest");  // forgets the texts found so far
        EXPECT_EQ(lookup("PO_GSTR_SUCCESS"), u"Success!") << name.size();
        EXPECT_EQ(lookup("PO_GSTR_ACCENTED"), u"Café crème à l'été") << name.size();
    }
    // A name of no locale at all finds nothing: the texts above came from the name.
    ASSERT_EQ(_putenv_s("LC_ALL", "Nowhere_Land.1252"), 0);
    textdomain("PrinterTest");
    std::fill(std::begin(buffer), std::end(buffer), kFill);
    EXPECT_EQ(BaseGetPOText("PO_GSTR_SUCCESS", buffer), buffer);
    EXPECT_TRUE(untouched());
}
#endif

TEST_F(CatalogLookupTest, NullArgumentsReturnNullWithCode1) {
    EXPECT_EQ(BaseGetPOText("PO_GSTR_SUCCESS", nullptr), nullptr);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    qv::setError(0);
    EXPECT_EQ(BaseGetPOText(nullptr, buffer), nullptr);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_TRUE(untouched());
}

TEST_F(CatalogLookupTest, LongTranslationIsCutTo259UnitsWithTerminator) {
    const std::u16string exact = lookup("PO_GSTR_EXACT_259");
    EXPECT_EQ(exact.size(), 259u);
    std::fill(std::begin(buffer), std::end(buffer), kFill);
    const std::u16string cut = lookup("PO_GSTR_LONG");
    EXPECT_EQ(cut, exact);
    EXPECT_EQ(buffer[259], u'\0');
    EXPECT_EQ(buffer[260], kFill);  // nothing written past the caller's 260 units
}

TEST_F(CatalogLookupTest, ErrorStringsFollowTheCodeTable) {
    BaseGetQVErrorString(QV_ERR_NOT_FINE_USB_PRINTER, buffer);
    EXPECT_EQ(std::u16string(buffer), u"No USB printer was found.");
    std::fill(std::begin(buffer), std::end(buffer), kFill);
    for (int32_t code : {4, 49, 57, -1, 1000}) {
        BaseGetQVErrorString(code, buffer);
        EXPECT_TRUE(untouched()) << code;
    }
    // A known code without a translation behaves as the untranslated lookup: untouched.
    BaseGetQVErrorString(QV_ERR_READ_USB_FAIL, buffer);
    EXPECT_TRUE(untouched());
}

TEST_F(CatalogLookupTest, CodeSetWithoutTheLettersGetsSubstitutesForThemOnly) {
    // Messages stay English. Where the code page can become plain ASCII at run time, the accented
    // letters get substitutes; a fixed ANSI code page for English keeps them. CJK fails either way.
    if (qv::testing::useAsciiCodePage()) {
        const std::u16string accented = lookup("PO_GSTR_ACCENTED");
        ASSERT_EQ(accented.size(), std::u16string(u"Cafe creme a l'ete").size());
        for (std::size_t i = 0; i < accented.size(); ++i) {
            EXPECT_LT(accented[i], 0x80) << i;
        }
        EXPECT_EQ(accented.substr(0, 3), u"Caf");
        EXPECT_EQ(accented.substr(5, 2), u"cr");
    } else {
        EXPECT_EQ(lookup("PO_GSTR_ACCENTED"), u"Café crème à l'été");
    }
    EXPECT_EQ(lookup("PO_GSTR_SUCCESS"), u"Success!");
    EXPECT_EQ(lookup("PO_GSTR_CJK"), u"???");
}

TEST(CatalogLookupWithoutCatalog, LookupsBeforeBindingActAsUntranslated) {
    textdomain("NoSuchDomain");
    QVWCHAR text[260] = {};
    EXPECT_EQ(BaseGetPOText("PO_GSTR_SUCCESS", text), text);
    EXPECT_EQ(text[0], u'\0');
    EXPECT_EQ(std::u16string(BaseGetPOText("PO_END_FLAG", text)), u"End flag");
}

}  // namespace

namespace {

namespace fs = std::filesystem;

// Translations that a .po compiler would refuse, in a catalog written byte for byte.
class RawCatalogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::resetLinkStateForTesting();
        ASSERT_TRUE(qv::testing::useLanguage("en_US")) << "no English locale with Latin letters";
        dir = qv::testing::makeTemporaryDirectory();
        fs::create_directories(dir / "en_US/LC_MESSAGES");
        ASSERT_TRUE(qv::testing::writeMo((dir / "en_US/LC_MESSAGES/PrinterRaw.mo").string(),
                                         {{"PO_BROKEN", "Paper \xff\xfe out, \xe6\x89 retry"},
                                          {"PO_FORMAT", "%s%n%x %1$s"},
                                          {"PO_HUGE", std::string(5000, 'w') + "END"},
                                          {std::string(600, 'I'), "translated long id"}}));
        bindtextdomain("PrinterRaw", dir.string().c_str());
        textdomain("PrinterRaw");
        bind_textdomain_codeset("PrinterRaw", "utf-8");
        std::fill(std::begin(buffer), std::end(buffer), kFill);
    }
    void TearDown() override {
        qv::testing::restoreLocale();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    bool untouched() const {
        return std::all_of(std::begin(buffer), std::end(buffer),
                           [](char16_t c) { return c == kFill; });
    }

    fs::path dir;
    QVWCHAR buffer[kBuffer];
};

TEST_F(RawCatalogTest, InvalidUtf8InATranslationBecomesAQuestionMarkAndTheRestIsKept) {
    EXPECT_EQ(BaseGetPOText("PO_BROKEN", buffer), buffer);
    EXPECT_EQ(std::u16string(buffer), u"Paper ?? out, ? retry");
}

TEST_F(RawCatalogTest, FormatSpecifiersAreJustText) {
    EXPECT_EQ(BaseGetPOText("PO_FORMAT", buffer), buffer);
    EXPECT_EQ(std::u16string(buffer), u"%s%n%x %1$s");
}

TEST_F(RawCatalogTest, HugeTranslationIsCutWithinTheCallersBuffer) {
    EXPECT_EQ(BaseGetPOText("PO_HUGE", buffer), buffer);
    EXPECT_EQ(std::u16string(buffer), std::u16string(259, u'w'));
    EXPECT_EQ(buffer[260], kFill);
}

// An id of 520 bytes or more without a translation must not be taken for its own translation.
TEST_F(RawCatalogTest, LongIdWithoutTranslationLeavesTheBufferUntouched) {
    for (const std::size_t size : {519u, 520u, 521u, 2000u}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(BaseGetPOText(std::string(size, 'Q').c_str(), buffer), buffer);
        EXPECT_TRUE(untouched());
    }
    EXPECT_EQ(BaseGetPOText(std::string(600, 'I').c_str(), buffer), buffer);
    EXPECT_EQ(std::u16string(buffer), u"translated long id");
}

}  // namespace
