// What a new user met in the first minutes, each as it was met.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli_fixture.h"

namespace {

using namespace qv410::testing;

TEST_F(Qv410Test, FirmwarePathsSayWhatIsWrongWithThem) {
    TempDir dir;
    const ProgramRun folder = run({"firmware", "--yes", dir.path().string(), "--simulator"});
    EXPECT_EQ(folder.status, 2);
    EXPECT_EQ(folder.err, "qv410: " + dir.path().string() + ": Is a directory\n");

    const fs::path missing = dir.path() / "none.bin";
    const ProgramRun absent = run({"firmware", "--yes", missing.string(), "--simulator"});
    EXPECT_EQ(absent.err, "qv410: " + missing.string() + ": No such file or directory\n");

    if (::geteuid() == 0) {
        const fs::path locked = dir.path() / "locked.bin";
        std::ofstream(locked) << "firmware";
        fs::permissions(locked, fs::perms::none);
        const ProgramRun unreadable =
            run({"firmware", "--yes", locked.string(), "--simulator"}, asUser(kNobody));
        if (unreadable.status != 126) {
            EXPECT_EQ(unreadable.status, 2);
            EXPECT_EQ(unreadable.err, "qv410: " + locked.string() + ": Permission denied\n");
        }
    }
    const Json json = parseJson(run({"--json", "firmware", "--yes", missing.string()}));
    EXPECT_EQ(json["error"]["code"], 2);
    EXPECT_EQ(json["error"]["reason"], "No such file or directory");
}

TEST_F(Qv410Test, FirmwareAsksFirstNamingTheFileAndItsSize) {
    TempDir dir;
    const fs::path file = dir.path() / "new.bin";
    std::ofstream(file, std::ios::binary) << std::string(1000, '\x5a');
    auto& printer = startPrinter();

    // No terminal and no --yes: refused, nothing sent.
    const ProgramRun piped = runOnPty({"firmware", file.string()}, withInput("y\n"));
    EXPECT_EQ(piped.status, 4);
    EXPECT_NE(piped.err.find("--yes"), std::string::npos) << piped.err;

    const ProgramRun declined =
        runOnPty({"firmware", file.string()}, withInput("n\n", /*terminal=*/true));
    EXPECT_EQ(declined.status, 4);
    EXPECT_NE(declined.err.find(file.string() + " (1000 bytes)"), std::string::npos)
        << declined.err;
    EXPECT_EQ(printer.received(), std::vector<std::string>{});

    const ProgramRun confirmed =
        runOnPty({"firmware", file.string()}, withInput("y\n", /*terminal=*/true));
    EXPECT_EQ(confirmed.status, 0) << confirmed.err;
    EXPECT_NE(printer.state().find("firmwarebytes=1000"), std::string::npos) << printer.state();
}

TEST_F(Qv410Test, NotReadyNamesTheConditionThePrinterReported) {
    startPrinter({"--status", "8"});
    const ProgramRun words = runOnPty({"self-test"});
    EXPECT_EQ(words.status, 56);
    EXPECT_EQ(words.err, "qv410: The printer is not ready. (Out of paper)\n");
    const Json error = parseJson(runOnPty({"--json", "learn", "label"}))["error"];
    EXPECT_EQ(error["code"], 56);
    EXPECT_EQ(error["status"], 8);
    EXPECT_EQ(error["statusMessageId"], "PO_QV_PRINT_STATUS_LACK_PAPER");
}

TEST_F(Qv410Test, ValueWordsInAnyCaseAndRefusalsThatFitTheValue) {
    auto& printer = startPrinter();
    EXPECT_EQ(runOnPty({"set", "paperType=LABEL", "printType=Ribbons"}).status, 0);
    EXPECT_EQ(parseJson(runOnPty({"--json", "settings"}))["settings"]["paperType"], 1);

    printer.clearReceived();
    const ProgramRun word = runOnPty({"set", "paperType=roll"});
    EXPECT_EQ(word.status, 65);
    EXPECT_EQ(word.err,
              "qv410: paperType=roll: not one of receipt, label, black-mark (or their numbers "
              "0-2)\n");
    EXPECT_EQ(word.err.find("whole number"), std::string::npos);
    // A number keeps the number's refusal.
    const ProgramRun number = runOnPty({"set", "labelHeight=20"});
    EXPECT_EQ(number.status, 65);
    EXPECT_NE(number.err.find("(30-400)"), std::string::npos) << number.err;
    // A name without a value is a usage fault.
    const ProgramRun bare = runOnPty({"set", "labelHeight"});
    EXPECT_EQ(bare.status, 64);
    EXPECT_NE(bare.err.find("labelHeight needs =VALUE"), std::string::npos) << bare.err;
    EXPECT_EQ(printer.received(), std::vector<std::string>{});
}

TEST_F(Qv410Test, UnknownCommandIs64WhateverFollows) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"unknown", "--help"}, {"--help", "unknown"}, {"unknown", "--version"}}) {
        const ProgramRun r = run(arguments);
        if (arguments.back() == "--version") {
            EXPECT_EQ(r.status, 0);  // the version needs no command at all
            continue;
        }
        EXPECT_EQ(r.status, 64) << ::testing::PrintToString(arguments);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("unknown command unknown"), std::string::npos) << r.err;
    }
    const ProgramRun listHelp = run({"list", "--help"});
    EXPECT_EQ(listHelp.status, 0);
    EXPECT_EQ(listHelp.out.rfind("Usage: qv410 list", 0), 0u) << listHelp.out;
    // The general help lists every command of the table, list and --serial among them.
    const ProgramRun help = run({"--help"});
    EXPECT_NE(help.out.find("  list "), std::string::npos);
    EXPECT_NE(help.out.find("--serial SERIAL"), std::string::npos);
}

TEST_F(Qv410Test, NodeThatRefusesWritesIsNamedWithTheSystemsReason) {
    const ProgramRun full = run({"beep", "on", "--device=/dev/full"});
    EXPECT_EQ(full.status, 52);
    EXPECT_NE(full.err.find("(/dev/full: No space left on device)"), std::string::npos) << full.err;
}

}  // namespace
