// qv410 as a user runs it: the real binary against the simulated printer in the library
// (--simulator) and against the printer served on a pty by qv410-pty-printer, whose record of
// what it received shows what the tool sent.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace {

using namespace qv410::testing;

// ---------------------------------------------------------------------------------------------
// Every subcommand, in words and in JSON, against the simulated printer.

struct CommandCase {
    std::vector<std::string> arguments;
    const char* text;       // in the English output
    const char* jsonField;  // besides command and ok
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    for (const auto& a : c.arguments) {
        *os << a << ' ';
    }
}

class SimulatedCommand : public Qv410Test, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(SimulatedCommand, ReportsInWordsAndInJson) {
    TempDir dir;
    std::vector<std::string> arguments = GetParam().arguments;
    if (arguments.front() == "firmware") {
        const fs::path file = dir.path() / "firmware.bin";
        std::ofstream(file, std::ios::binary) << std::string(1000, '\x5a');
        arguments.push_back(file);
    }
    arguments.push_back("--simulator");

    const ProgramRun words = run(arguments);
    EXPECT_EQ(words.status, 0) << words.err;
    EXPECT_NE(words.out.find(GetParam().text), std::string::npos) << words.out;
    EXPECT_EQ(words.err, "");

    arguments.insert(arguments.begin(), "--json");
    const ProgramRun json = run(arguments);
    EXPECT_EQ(json.status, 0) << json.err;
    const Json object = parseJson(json);
    EXPECT_EQ(object.value("command", ""), GetParam().arguments.front());
    EXPECT_EQ(object.value("ok", false), true);
    EXPECT_TRUE(object.contains(GetParam().jsonField)) << json.out;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SimulatedCommand,
    ::testing::Values(
        CommandCase{{"check"}, "Connection test succeeded.", "connected"},
        CommandCase{{"info"}, "Printer Status: Ready (0x00)", "printedLength"},
        CommandCase{{"settings"}, "Label Height: 400 mm  [labelHeight=400]", "settings"},
        CommandCase{{"set", "labelHeight=60"}, "The settings were applied.", "changed"},
        CommandCase{{"beep", "off"}, "The settings were applied.", "beep"},
        CommandCase{{"dump", "on"}, "The settings were applied.", "dump"},
        CommandCase{
            {"factory-reset", "--yes"}, "The factory settings were restored.", "factoryReset"},
        CommandCase{{"learn", "label"}, "The operation succeeded.", "learn"},
        CommandCase{{"learn", "paper"}, "The operation succeeded.", "learn"},
        CommandCase{{"head-check"}, "Normal", "badPoints"},
        CommandCase{{"self-test"}, "The self-test page was sent to the printer.", "message"},
        CommandCase{
            {"print-text", "Hello", "label"}, "The text was sent to the printer.", "characters"},
        CommandCase{{"firmware", "--yes"}, "The firmware was updated. (1000 bytes, ", "seconds"}),
    [](const auto& info) {
        std::string name;
        for (const auto& a : info.param.arguments) {
            for (char c : a) {
                name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
            }
        }
        return name;
    });

TEST_F(Qv410Test, InfoAndSettingsHaveTheirDocumentedFields) {
    const Json info = parseJson(run({"--json", "info", "--simulator"}));
    std::set<std::string> keys;
    for (const auto& [key, value] : info.items()) {
        keys.insert(key);
    }
    EXPECT_EQ(keys,
              (std::set<std::string>{"command", "ok", "printerType", "serialNumber",
                                     "firmwareVersion", "status", "statusBits", "statusMessageId",
                                     "statusText", "printedLength", "printedLengthMetres"}));
    EXPECT_EQ(info["printedLength"], 12345);
    EXPECT_DOUBLE_EQ(info["printedLengthMetres"].get<double>(), 123.45);
    EXPECT_EQ(info["statusMessageId"], "PO_QV_PRINT_STATUS_READY");

    const Json settings = parseJson(run({"--json", "settings", "--simulator"}))["settings"];
    std::vector<std::string> names;
    for (const auto& [key, value] : settings.items()) {
        names.push_back(key);
        EXPECT_TRUE(value.is_number_integer()) << key;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"printType", "powerOnPosition", "labelHeight",
                                               "paperType", "reprintWhenError", "preventSticker",
                                               "specialLabel", "printSpeed", "darkness", "hOrigin",
                                               "verticalOrigin", "printToStop", "preventTime"}));
}

TEST_F(Qv410Test, InfoNamesTheFirstFaultAndAllItsBits) {
    startPrinter({"--status", "72", "--printed", "150"});  // 0x48: pause and paper out
    const ProgramRun words = runOnPty({"info"});
    ASSERT_EQ(words.status, 0) << words.err;
    EXPECT_NE(words.out.find("Printer Status: Paused (0x48)\n"), std::string::npos) << words.out;
    EXPECT_NE(words.out.find("Printer Print Length: 1.50 (m)\n"), std::string::npos);

    const Json json = parseJson(runOnPty({"--json", "info"}));
    EXPECT_EQ(json["status"], 72);
    EXPECT_EQ(json["statusBits"], Json::array({"pause", "paperOut"}));
    EXPECT_EQ(json["statusMessageId"], "PO_QV_PRINT_STATUS_PRINT_PAUSE");
    EXPECT_EQ(json["printedLength"], 150);

    // The length in words follows the user's decimal separator; JSON numbers never do.
    const ProgramRun german = runOnPty({"info"}, withEnvironment("LC_ALL", "de_DE.UTF-8"));
    EXPECT_NE(german.out.find(" 1,50 (m)\n"), std::string::npos) << german.out;
    const ProgramRun germanJson =
        runOnPty({"--json", "info"}, withEnvironment("LC_ALL", "de_DE.UTF-8"));
    EXPECT_DOUBLE_EQ(parseJson(germanJson)["printedLengthMetres"].get<double>(), 1.5);
}

TEST_F(Qv410Test, HeadCheckCountsBadPoints) {
    startPrinter({"--badpoints", "3"});
    EXPECT_EQ(runOnPty({"head-check"}).out, "Bad points found(3)\n");
    EXPECT_EQ(parseJson(runOnPty({"--json", "head-check"}))["badPoints"], 3);
}

// ---------------------------------------------------------------------------------------------
// Exit statuses and the error object.

TEST_F(Qv410Test, UsageFaultsExitWith64) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate"},
                                               {"info", "--colour"},
                                               {"info", "extra"},
                                               {"beep"},
                                               {"beep", "loud"},
                                               {"learn", "paper", "label"},
                                               {"check", "--simulator", "--device", "/dev/null"},
                                               {"info", "--width", "40"},
                                               {"print-text", "--width"}}) {
        const ProgramRun r = run(arguments);
        EXPECT_EQ(r.status, 64) << ::testing::PrintToString(arguments);
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const Json error = parseJson(run({"--json", "frobnicate"}));
    EXPECT_EQ(error["ok"], false);
    EXPECT_EQ(error["error"]["code"], 64);
    EXPECT_TRUE(error["error"]["messageId"].is_null());
}

TEST_F(Qv410Test, NoPrinterIs50WithTheLibrarysText) {
    const ProgramRun words = run({"info"});
    EXPECT_EQ(words.status, 50);
    EXPECT_EQ(words.out, "");
    EXPECT_EQ(words.err, "qv410: No USB printer was found.\n");

    const ProgramRun json = run({"--json", "info"});
    EXPECT_EQ(json.status, 50);
    const Json object = parseJson(json);
    EXPECT_EQ(object["error"]["code"], 50);
    EXPECT_EQ(object["error"]["messageId"], "PO_QV_ERR_NOT_FINE_USB_PRINTER");
    EXPECT_EQ(object["error"]["message"], "No USB printer was found.");
}

TEST_F(Qv410Test, NodeThatCannotBeOpenedIs51AndOneThatRefusesWritesIs52) {
    TempDir dir;
    const ProgramRun missing = run({"check", "--device", (dir.path() / "lp0").string()});
    EXPECT_EQ(missing.status, 51) << missing.err;
    EXPECT_EQ(missing.err.find("udev"), std::string::npos) << "absent is not a rights problem";
    // /dev/full opens, but every write fails.
    const ProgramRun full = run({"--json", "check", "--device=/dev/full"});
    EXPECT_EQ(full.status, 52);
    EXPECT_EQ(parseJson(full)["error"]["messageId"], "PO_QV_ERR_WRITE_USB_FAIL");
}

TEST_F(Qv410Test, FirmwareFileMissingIs2AndEmptyIs3) {
    TempDir dir;
    EXPECT_EQ(run({"firmware", (dir.path() / "none.bin").string(), "--simulator"}).status, 2);
    const fs::path empty = dir.path() / "empty.bin";
    std::ofstream(empty).close();
    const ProgramRun r = run({"--json", "firmware", "--yes", empty.string(), "--simulator"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(parseJson(r)["error"]["messageId"], "PO_QV_ERR_INVALID_FIRMWARE");
}

TEST_F(Qv410Test, PrinterThatDoesNotAnswerIs53) {
    startPrinter({"--noreply"});
    const ProgramRun r = runOnPty({"--json", "info"});
    EXPECT_EQ(r.status, 53);
    EXPECT_EQ(parseJson(r)["error"]["messageId"], "PO_QV_ERR_READ_USB_FAIL");
}

TEST_F(Qv410Test, CommandWithoutAcknowledgementIs54) {
    startPrinter({"--noack"});
    const ProgramRun r = runOnPty({"beep", "on"});
    EXPECT_EQ(r.status, 54);
    EXPECT_EQ(r.err, "qv410: The printer did not confirm the settings.\n");
}

TEST_F(Qv410Test, PrinterNotReadyIs56AndNoPageIsPrinted) {
    auto& printer = startPrinter({"--status", "8"});
    const ProgramRun r = runOnPty({"--json", "self-test"});
    EXPECT_EQ(r.status, 56);
    EXPECT_EQ(parseJson(r)["error"]["messageId"], "PO_QV_ERR_PRINT_STATUS_IS_NOT_READY");
    for (const std::string& line : printer.received()) {
        EXPECT_EQ(line.rfind("job", 0), std::string::npos) << line;
    }
    EXPECT_NE(printer.state().find("selftests=0"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Settings over the pty: what is written comes back, what is refused is never sent.

TEST_F(Qv410Test, SetWritesTheNamedSettingsAndKeepsTheOthers) {
    startPrinter();
    const Json before = parseJson(runOnPty({"--json", "settings"}))["settings"];
    const ProgramRun set = runOnPty({"set", "labelHeight=060", "paperType=black-mark",
                                     "printToStop=-5", "printType=ribbons", "preventTime=255"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "The settings were applied.\n");

    Json expected = before;
    expected["labelHeight"] = 60;
    expected["paperType"] = 2;
    expected["printToStop"] = -5;
    expected["printType"] = 1;
    expected["preventTime"] = 255;
    EXPECT_EQ(parseJson(runOnPty({"--json", "settings"}))["settings"], expected);

    const ProgramRun words = runOnPty({"settings"});
    EXPECT_NE(words.out.find("Paper Type: Black Mark  [paperType=2]"), std::string::npos);
    EXPECT_NE(words.out.find("Print To Stop: -5  [printToStop=-5]"), std::string::npos);
}

TEST_F(Qv410Test, InvalidValuesAreRefusedBeforeAnythingIsSent) {
    auto& printer = startPrinter();
    struct Refusal {
        std::vector<std::string> arguments;
        const char* named;
    };
    for (const Refusal& refusal :
         std::vector<Refusal>{{{"set", "labelHeight=401"}, "labelHeight=401"},
                              {{"set", "darkness=8", "printSpeed=10"}, "(0-9)"},
                              {{"set", "paperType=sticker"},
                               "not one of receipt, label, black-mark (or their numbers 0-2)"},
                              {{"set", "printToStop=+5"}, "(-89-89)"},
                              {{"set", "hOrigin=-1"}, "(0-89)"},
                              {{"set", "colour=red"}, "unknown setting 'colour'"},
                              {{"print-text", "--width", "256", "x"}, "width=256"},
                              {{"print-text", "--height", "3O", "x"}, "height=3O"}}) {
        const ProgramRun r = runOnPty(refusal.arguments);
        EXPECT_EQ(r.status, 65) << r.err;
        EXPECT_NE(r.err.find(refusal.named), std::string::npos) << r.err;
    }
    const ProgramRun json = runOnPty({"--json", "set", "labelHeight=20"});
    const Json error = parseJson(json)["error"];
    EXPECT_EQ(error["code"], 65);
    EXPECT_EQ(error["setting"], "labelHeight");
    EXPECT_EQ(error["range"], "30-400");
    EXPECT_EQ(error["messageId"], "PO_GSTR_PLEASE_INPUT_NUMBER");
    EXPECT_EQ(printer.received(), std::vector<std::string>{});
}

TEST_F(Qv410Test, FactoryResetWithoutYesSendsNothing) {
    auto& printer = startPrinter();
    const ProgramRun piped = runOnPty({"factory-reset"}, withInput("y\n"));
    EXPECT_EQ(piped.status, 4);
    EXPECT_NE(piped.err.find("--yes"), std::string::npos) << piped.err;

    const ProgramRun declined = runOnPty({"factory-reset"}, withInput("n\n", true));
    EXPECT_EQ(declined.status, 4);
    EXPECT_NE(declined.err.find("[y/N]"), std::string::npos) << declined.err;
    EXPECT_EQ(printer.received(), std::vector<std::string>{});
    EXPECT_NE(printer.state().find("factoryrestores=0"), std::string::npos);

    const ProgramRun confirmed = runOnPty({"factory-reset"}, withInput("y\n", true));
    EXPECT_EQ(confirmed.status, 0) << confirmed.err;
    EXPECT_NE(printer.state().find("factoryrestores=1"), std::string::npos);
}

TEST_F(Qv410Test, BeepAndDumpReachThePrinter) {
    auto& printer = startPrinter();
    ASSERT_EQ(runOnPty({"beep", "off"}).status, 0);
    ASSERT_EQ(runOnPty({"dump", "on"}).status, 0);
    const std::string state = printer.state();
    EXPECT_NE(state.find("buzzer=0"), std::string::npos) << state;
    EXPECT_NE(state.find("dump=1"), std::string::npos) << state;
}

TEST_F(Qv410Test, PrintTextReadsStandardInputWithinBounds) {
    auto& printer = startPrinter();
    const ProgramRun r =
        runOnPty({"--json", "print-text", "--width=40", "-"}, withInput("first\nsecond\n"));
    ASSERT_EQ(r.status, 0) << r.err;
    const Json object = parseJson(r);
    EXPECT_EQ(object["width"], 40);
    EXPECT_EQ(object["height"], 30);
    // Two lines joined by CR LF; the final line break is not part of the text.
    EXPECT_EQ(object["characters"], 13);
    bool printed = false;
    for (const std::string& line : printer.received()) {
        printed = printed || line.rfind("job ", 0) == 0;
    }
    EXPECT_TRUE(printed);

    printer.clearReceived();
    const ProgramRun tooLong = runOnPty({"print-text", "-"}, withInput(std::string(5000, 'x')));
    EXPECT_EQ(tooLong.status, 65);
    const ProgramRun notUtf8 = runOnPty({"print-text", "-"}, withInput("caf\xE9"));
    EXPECT_EQ(notUtf8.status, 65);
    EXPECT_EQ(printer.received(), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------------------------
// Rights, language, help.

TEST_F(Qv410Test, NodeWithoutRightsNamesTheUdevRule) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the tool as a user without rights on the node";
    }
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    // A character device (as /dev/null) that nobody but root may open.
    const fs::path node = dir.path() / "lp0";
    ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0600, ::makedev(1, 3)), 0) << std::strerror(errno);
    fs::permissions(node, fs::perms::none);

    const ProgramRun r = run({"check", "--device", node.string()}, asUser(kNobody));
    if (r.status == 126) {
        GTEST_SKIP() << "cannot change to user " << kNobody;
    }
    EXPECT_EQ(r.status, 51);
    EXPECT_NE(r.err.find("Permission denied on its device node " + node.string()),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("60-qv410.rules"), std::string::npos) << r.err;

    const ProgramRun json = run({"--json", "check", "--device", node.string()}, asUser(kNobody));
    const Json error = parseJson(json)["error"];
    EXPECT_EQ(error["code"], 51);
    EXPECT_EQ(error["node"], node.string());
    EXPECT_NE(error["hint"].get<std::string>().find("udev"), std::string::npos);
}

TEST_F(Qv410Test, MessagesFollowTheUsersLanguage) {
    const ProgramRun chinese =
        run({"check", "--simulator"}, withEnvironment("LC_ALL", "zh_CN.UTF-8"));
    EXPECT_EQ(chinese.out,
              "\xE8\xBF\x9E\xE6\x8E\xA5\xE6\xB5\x8B\xE8\xAF\x95\xE6\x88\x90\xE5\x8A\x9F"
              "\xE3\x80\x82\n");  // 连接测试成功。
    const ProgramRun chineseError = run({"info"}, withEnvironment("LANGUAGE", "zh_CN"));
    EXPECT_EQ(chineseError.status, 50);
    EXPECT_NE(chineseError.err.find("USB"), std::string::npos);
    EXPECT_EQ(chineseError.err.find("No USB printer"), std::string::npos) << chineseError.err;

    const ProgramRun plain = run({"check", "--simulator"}, withEnvironment("LC_ALL", "POSIX"));
    EXPECT_EQ(plain.out, "Connection test succeeded.\n");
}

TEST_F(Qv410Test, HelpAndVersionNeedNoPrinter) {
    const ProgramRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("qv410 ") + QV410_VERSION + "\n");

    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command :
         {"check", "info", "settings", "set NAME=VALUE", "beep", "factory-reset", "learn", "dump",
          "head-check", "self-test", "print-text", "firmware FILE"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
    for (const std::string command :
         {"check", "info", "settings", "set", "beep", "factory-reset", "learn", "dump",
          "head-check", "self-test", "print-text", "firmware"}) {
        const ProgramRun own = run({command, "--help"});
        EXPECT_EQ(own.status, 0);
        EXPECT_EQ(own.out.rfind("Usage: qv410 " + command, 0), 0U) << own.out;
    }
    const ProgramRun setHelp = run({"set", "--help"});
    EXPECT_EQ(setHelp.status, 0);
    EXPECT_EQ(setHelp.out.rfind("Usage: qv410 set NAME=VALUE...", 0), 0U) << setHelp.out;
    EXPECT_NE(setHelp.out.find("printToStop       -89-89"), std::string::npos);
}

}  // namespace
