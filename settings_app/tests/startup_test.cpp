// Start-up: the catalog folder, the locale, the run of the main dialog and its exit codes.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "QVSettingToolDll.h"
#include "app/startup.h"
#include "dialog_fixture.h"
#include "test_platform.h"
#include "ui/message_loop.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

using namespace ui;
namespace uit = ui::testing;

// A path written with slashes, in the platform's own separator (the one the catalog folder
// ends with).
std::string native(std::string path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

TEST(CatalogFolder, IsTheProgramsFolderPlusLang) {
    EXPECT_EQ(app::catalogFolderFor(native("/opt/qv410/QV-410SettingTool")),
              native("/opt/qv410/Lang/"));
    EXPECT_EQ(app::catalogFolderFor(native("/QV-410SettingTool")), native("/Lang/"));
}

TEST(CatalogFolder, PathWithoutSlashGivesTheRelativeLangFolder) {
    EXPECT_EQ(app::catalogFolderFor("QV-410SettingTool"), native("Lang/"));
}

TEST(CatalogFolder, TooLongForTheBufferIsRefused) {
    // 254 bytes of folder + "Lang/" + terminator = 260: fits; one more byte does not.
    const std::string fits = native("/" + std::string(252, 'a') + "/");
    ASSERT_EQ(fits.size(), 254U);
    EXPECT_EQ(app::catalogFolderFor(fits + "QV"), fits + native("Lang/"));
    EXPECT_EQ(app::catalogFolderFor(native("/" + std::string(253, 'a') + "/QV")), std::nullopt);
}

// The build tree has Lang/ beside the program; an installed program finds the prefix's locale
// folder instead (on Linux; a Windows program keeps its catalogs beside itself, installed or not).
TEST(CatalogFolder, LangBesideTheProgramWinsOverTheInstalledLocaleFolder) {
    namespace fs = std::filesystem;
    const fs::path prefix = test::makeTemporaryFolder("qv410-catalog");
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/locale");
    const std::string program = native((prefix / "bin/QV-410SettingTool").string());

    const auto installed = app::chooseCatalogFolder(program);
    ASSERT_TRUE(installed.has_value());
#ifdef _WIN32
    EXPECT_EQ(*installed, native((prefix / "bin/Lang/").string()));
#else
    EXPECT_TRUE(fs::equivalent(*installed, prefix / "share/locale")) << *installed;
#endif

    fs::create_directories(prefix / "bin/Lang");
    EXPECT_EQ(app::chooseCatalogFolder(program), native((prefix / "bin/Lang/").string()));
    fs::remove_all(prefix);
}

#ifndef _WIN32
// The decimal separator of a locale this machine has installed; nothing where it has not.
std::optional<std::string> installedDecimalPoint(const char* name) {
    locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return std::nullopt;
    }
    std::string decimal = nl_langinfo_l(RADIXCHAR, locale);
    freelocale(locale);
    return decimal;
}
#endif

// No system has a locale of this name: the user's locale is missing.
constexpr const char* kMissingLocale = "qv_ZZ.UTF-8";

class LocaleTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LocaleTest, PlainOrMissingLocaleStillReadsTheEnglishCatalog) {
#ifndef _WIN32
    if (std::string(GetParam()) == kMissingLocale) {
        ASSERT_FALSE(installedDecimalPoint(kMissingLocale)) << "a locale of that name exists here";
    }
#endif
    setenv("LC_ALL", GetParam(), 1);
    unsetenv("LANGUAGE");
    app::bindCatalog();
    std::array<QVWCHAR, 260> text{};
    BaseGetPOText("PO_GSTR_MAIN_DLG_CAPTION", text.data());
    EXPECT_EQ(std::u16string(text.data()), u"QV-410 Setting Tool");
    // Numbers keep the plain C formatting.
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleTest,
                         ::testing::Values("C", "POSIX", "C.UTF-8", kMissingLocale),
                         [](const auto& info) { return "Locale" + std::to_string(info.index); });

TEST(Locale, LanguageChosenByTheUserComesFirstInTheCLocale) {
    setenv("LC_ALL", "C", 1);
    setenv("LANGUAGE", "zh_CN", 1);
    app::bindCatalog();
    std::array<QVWCHAR, 260> text{};
    BaseGetPOText("PO_GSTR_PRINTER", text.data());
    EXPECT_EQ(std::u16string(text.data()), u"\u6253\u5370\u673a");
}

TEST(Locale, InstalledLanguageWithoutCatalogFallsBackToEnglish) {
#ifdef _WIN32
    // Windows takes the number formatting from the language the process starts in, which its
    // test run makes German.
    const std::optional<std::string> decimal = ",";
#else
    const std::optional<std::string> decimal = installedDecimalPoint("de_DE.UTF-8");
    if (!decimal) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed on this machine";
    }
#endif
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    unsetenv("LANGUAGE");
    app::bindCatalog();
    std::array<QVWCHAR, 260> text{};
    BaseGetPOText("PO_GSTR_MAIN_DLG_CAPTION", text.data());
    EXPECT_EQ(std::u16string(text.data()), u"QV-410 Setting Tool");
    // The user's number formatting stays theirs.
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), *decimal);
}

TEST(Locale, LanguageOfTheLocaleStillWinsOverTheEnglishFallback) {
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    unsetenv("LANGUAGE");
    app::bindCatalog();
    std::array<QVWCHAR, 260> text{};
    BaseGetPOText("PO_GSTR_PRINTER", text.data());
    EXPECT_EQ(std::u16string(text.data()), u"\u6253\u5370\u673a");
}

class RunTest : public test::DialogTest {
  protected:
    // Runs the main dialog as the program does, doing action once the loop runs.
    int runWith(int showCommand, std::function<void(DialogBase&)> action) {
        uit::postToLoop([action = std::move(action)] {
            DialogBase* main = uit::findDialog(129);
            ASSERT_NE(main, nullptr);
            action(*main);
        });
        return app::run(showCommand);
    }
};

TEST_F(RunTest, ClosedByCommand1_ExitCode1) {
    EXPECT_EQ(
        runWith(SW_SHOWNORMAL,
                [](DialogBase& d) { d.sendMessage(WM_COMMAND, makeWParam(IDOK, BN_CLICKED), 0); }),
        1);
    EXPECT_EQ(uit::findDialog(129), nullptr) << "the main dialog is gone";
}

TEST_F(RunTest, EscapeThroughTheMessageFilter_ExitCode2) {
    EXPECT_EQ(runWith(SW_SHOWNORMAL, [](DialogBase& d) { uit::pressKey(d, VK_ESCAPE); }), 2);
}

TEST_F(RunTest, CloseBox_ExitCode2) {
    EXPECT_EQ(runWith(SW_SHOWNORMAL, [](DialogBase& d) { uit::closeBox(d); }), 2);
}

TEST_F(RunTest, MinimisedShowCommand_ShowsTheDialogMinimised) {
    bool minimised = false;
    EXPECT_EQ(runWith(SW_SHOWMINIMIZED,
                      [&minimised](DialogBase& d) {
                          minimised = uit::isMinimized(d.hwnd());
                          uit::closeBox(d);
                      }),
              2);
    EXPECT_TRUE(minimised);
}

TEST_F(RunTest, IdleHandlersRunWhileTheLoopWaits) {
    struct CountingIdle : IdleHandler {
        int calls = 0;
        bool onIdle() override {
            ++calls;
            return false;
        }
    } idle;
    EXPECT_EQ(runWith(SW_SHOWNORMAL,
                      [&idle](DialogBase& d) {
                          appModule().getMessageLoop()->addIdleHandler(&idle);
                          // Close on a later turn of the loop, after it has been idle.
                          uit::postToLoop([&d] { uit::closeBox(d); });
                      }),
              2);
    EXPECT_GT(idle.calls, 0);
}

#ifdef _WIN32
// The real program, asked to close as Windows asks it: WM_CLOSE, or the end of the session, to
// its main dialog, with nothing open over it and with a dialog open over it.
TEST(Program, CloseAndEndOfSessionCloseTheMainDialogWithExitCode2) {
    for (const test::CloseRequest request :
         {test::CloseRequest::close, test::CloseRequest::endSession}) {
        for (const int command : {0, IDC_BUTTON_SET_PRINTER}) {
            const test::ProgramRun run = test::runProgramAndClose(QV_PROGRAM, request, command);
            const auto where =
                ::testing::Message()
                << (request == test::CloseRequest::close ? "WM_CLOSE" : "WM_ENDSESSION")
                << " after command " << command;
            EXPECT_EQ(run.failure, "") << where;
            EXPECT_EQ(run.exitCode, 2) << where;
        }
    }
}
#else
// The real program, started the way a session manager stops it: SIGTERM is a clean close.
TEST(Program, TerminationSignalClosesTheMainDialogWithExitCode2) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    // Held until the program has its handler in place.
    posix_spawnattr_setsigmask(&attributes, &blocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    setenv("QV410_DEVICE", "simulator", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char program[] = QV_PROGRAM;
    char* argv[] = {program, nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program, nullptr, &attributes, argv, environ), 0);
    posix_spawnattr_destroy(&attributes);
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}
#endif

}  // namespace
