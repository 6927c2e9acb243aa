// Many printers at a station: profiles saved from one printer and applied to others, every
// command on every printer at once (--all), and printer health for Prometheus (metrics).
#include <sys/stat.h>

#include <atomic>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "cli_fixture.h"
#include "printer_model/print_settings.h"

namespace {

using namespace qv410::testing;

// Record order: printType powerOnPosition labelHeight paperType reprintWhenError preventSticker
// specialLabel printSpeed darkness hOrigin verticalOrigin printToStop preventTime.
constexpr const char* kTunedSettings = "1,0,60,2,0,1,1,3,12,10,20,-7,30";
constexpr const char* kFactorySettings = "0,1,400,1,1,0,0,5,8,0,0,0,0";
// The write packet of kTunedSettings: 60 low byte first, -7 as 0x87, 30 low byte first.
constexpr const char* kTunedWrite = "command 1f1b1a000f01003c0002000101030c0a14871e00";
constexpr const char* kVersionQuery = "command 1f1b1a040103";
constexpr const char* kReadSettings = "command 1f1b1a050100";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string settingsOf(qv::testing::PtyPrinterProcess& printer) {
    const std::string state = printer.state();
    const std::size_t at = state.find(" settings=");
    return at == std::string::npos ? "" : state.substr(at + 10, state.find(' ', at + 10) - at - 10);
}

bool anyWrite(const std::vector<std::string>& received) {
    return std::any_of(received.begin(), received.end(), [](const std::string& line) {
        return line.starts_with("command 1f1b1a000f");
    });
}

class Fleet : public Qv410Test {
  protected:
    // lp0 (SER-A) holds tuned settings and is out of paper; lp1 (SER-B) the factory ones.
    void SetUp() override {
        startPrinter({"--lp", "0", "--serial", "SER-A", "--settings", kTunedSettings});
        second_ = std::make_unique<qv::testing::PtyPrinterProcess>(
            std::vector<std::string>{"--join", printer_->root(), "--lp", "1", "--serial", "SER-B"});
    }
    qv::testing::PtyPrinterProcess& first() { return *printer_; }
    qv::testing::PtyPrinterProcess& second() { return *second_; }
    std::string node(int n) const { return printer_->root() + "/dev/usb/lp" + std::to_string(n); }
    // A profile saved from the first printer.
    fs::path savedProfile() {
        const fs::path file = dir_.path() / "station.json";
        const ProgramRun save = runOnPty({"--device", node(0), "settings", "--save", file});
        EXPECT_EQ(save.status, 0) << save.err;
        first().clearReceived();
        return file;
    }
    fs::path writeProfile(const std::string& name, const std::string& text) {
        const fs::path file = dir_.path() / name;
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    std::unique_ptr<qv::testing::PtyPrinterProcess> second_;
    TempDir dir_;
};

TEST_F(Fleet, SavedProfileAppliedToAnotherPrinterWritesItByteForByteAndChecksItBack) {
    const fs::path file = savedProfile();
    const Json profile = Json::parse(readFile(file));
    EXPECT_EQ(profile["formatVersion"], 1);
    EXPECT_EQ(profile["settings"]["labelHeight"], 60);
    EXPECT_EQ(profile["settings"]["printToStop"], -7);
    EXPECT_EQ(profile["printer"]["serialNumber"], "SER-A");
    EXPECT_EQ(profile["printer"]["printerType"], "QV-410");
    EXPECT_TRUE(profile["readAt"].get<std::string>().ends_with("Z"));

    const ProgramRun apply = runOnPty({"--device", node(1), "apply", file});
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_NE(apply.out.find("labelHeight: 400 -> 60\n"), std::string::npos) << apply.out;
    EXPECT_NE(apply.out.find("printToStop: 0 -> -7\n"), std::string::npos) << apply.out;
    EXPECT_EQ(second().received(),
              (std::vector<std::string>{kVersionQuery, kReadSettings, kTunedWrite, kReadSettings}));
    EXPECT_EQ(settingsOf(second()), kTunedSettings);
    EXPECT_TRUE(first().received().empty());

    // The same profile again: nothing differs, nothing is written.
    second().clearReceived();
    const Json again = parseJson(runOnPty({"--json", "--device", node(1), "apply", file}));
    EXPECT_EQ(again["ok"], true);
    EXPECT_TRUE(again["changed"].empty());
    EXPECT_EQ(again["unchanged"].size(), 13U);
    EXPECT_EQ(again["written"], false);
    EXPECT_EQ(second().received(), (std::vector<std::string>{kVersionQuery, kReadSettings}));
}

TEST_F(Fleet, DryRunShowsTheDifferencesAndSendsOnlyTheRead) {
    const fs::path file = savedProfile();
    const ProgramRun run = runOnPty({"--json", "--device", node(1), "apply", "--dry-run", file});
    EXPECT_EQ(run.status, 0) << run.err;
    const Json json = parseJson(run);
    ASSERT_EQ(json["changed"].size(), 13U) << run.out;
    EXPECT_EQ(json["changed"][0], (Json{{"name", "printType"}, {"from", 0}, {"to", 1}}));
    EXPECT_TRUE(json["unchanged"].empty());
    EXPECT_EQ(json["dryRun"], true);
    EXPECT_EQ(second().received(), (std::vector<std::string>{kVersionQuery, kReadSettings}));
    EXPECT_EQ(settingsOf(second()), kFactorySettings);
}

TEST_F(Fleet, MalformedProfilesAreRefusedWith65BeforeAByteIsSent) {
    const std::string good = readFile(savedProfile());
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {replaced("\"formatVersion\": 1", "\"formatVersion\": 7"), "formatVersion"},
        {replaced("\"darkness\": 12,", ""), "settings.darkness"},
        {replaced("\"darkness\": 12", "\"darkness\": 12, \"speed\": 3"), "settings.speed"},
        {replaced("\"labelHeight\": 60", "\"labelHeight\": 401"), "settings.labelHeight"},
        {replaced("\"labelHeight\": 60", "\"labelHeight\": \"60\""), "settings.labelHeight"},
        {good + "trailing", ""},
        {good + std::string(65 * 1024, ' '), ""},
    };
    for (const auto& [text, field] : cases) {
        const fs::path file = writeProfile("bad.json", text);
        for (qv::testing::PtyPrinterProcess* printer : {&first(), &second()}) {
            printer->clearReceived();
        }
        const ProgramRun run = runOnPty({"--json", "--all", "apply", file});
        EXPECT_EQ(run.status, 65) << field << run.out;
        const Json json = parseJson(run);
        EXPECT_EQ(json["error"]["field"], field) << run.out;
        EXPECT_TRUE(first().received().empty()) << field;
        EXPECT_TRUE(second().received().empty()) << field;
        // In words too, naming the field, and from standard input.
        const ProgramRun words = runOnPty({"--device", node(1), "apply", "-"}, withInput(text));
        EXPECT_EQ(words.status, 65);
        EXPECT_NE(words.err.find(field + ": "), std::string::npos) << words.err;
        EXPECT_TRUE(second().received().empty()) << field;
    }
    EXPECT_EQ(settingsOf(second()), kFactorySettings);
    const ProgramRun missing = runOnPty({"--device", node(1), "apply", dir_.path() / "none.json"});
    EXPECT_EQ(missing.status, 66);
    EXPECT_TRUE(second().received().empty());
}

TEST_F(Fleet, PrinterThatAcknowledgesButStoresOtherValuesFailsWith54) {
    const fs::path file = savedProfile();
    second().control("storeother 1");
    const ProgramRun run = runOnPty({"--json", "--device", node(1), "apply", file});
    EXPECT_EQ(run.status, 54) << run.out;
    const Json json = parseJson(run);
    ASSERT_EQ(json["error"]["mismatches"].size(), 1U) << run.out;
    EXPECT_EQ(json["error"]["mismatches"][0]["name"], "printType");
    EXPECT_EQ(json["error"]["mismatches"][0]["stored"], 0);
    EXPECT_EQ(json["error"]["mismatches"][0]["profile"], 1);
    // The printer did get the packet and acknowledged it; the read-back found the fault.
    const auto received = second().received();
    EXPECT_EQ(received.back(), kReadSettings);
    EXPECT_TRUE(anyWrite(received));
}

TEST_F(Fleet, SaveReplacesAnExistingFileOnlyWithForce) {
    const fs::path file = writeProfile("kept.json", "precious\n");
    const ProgramRun refused = runOnPty({"--device", node(0), "settings", "--save", file});
    EXPECT_EQ(refused.status, 73);
    EXPECT_EQ(readFile(file), "precious\n");
    EXPECT_TRUE(first().received().empty()) << "refused before the printer is asked";
    const ProgramRun forced =
        runOnPty({"--device", node(0), "settings", "--save", file, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(Json::parse(readFile(file))["settings"]["darkness"], 12);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1)
        << "no temporary file left";
    EXPECT_EQ(run({"--force", "settings"}).status, 64);
    EXPECT_EQ(run({"--all", "settings", "--save", file}).status, 64);
}

class ThreePrinters : public Fleet {
  protected:
    // And lp2 (SER-C), whose node is gone.
    void SetUp() override {
        Fleet::SetUp();
        third_ = std::make_unique<qv::testing::PtyPrinterProcess>(
            std::vector<std::string>{"--join", printer_->root(), "--lp", "2", "--serial", "SER-C"});
        third_->control("unplug");
    }
    std::unique_ptr<qv::testing::PtyPrinterProcess> third_;
};

TEST_F(ThreePrinters, AllRunsOnEachInTurnAndReportsEachByNodeAndSerial) {
    const ProgramRun json = runOnPty({"--json", "--all", "beep", "off"});
    EXPECT_EQ(json.status, 51) << json.out;
    const Json list = Json::parse(json.out, nullptr, false);
    ASSERT_TRUE(list.is_array()) << json.out;
    ASSERT_EQ(list.size(), 3U);
    EXPECT_EQ(list[0]["node"], node(0));
    EXPECT_EQ(list[0]["serialNumber"], "SER-A");
    EXPECT_EQ(list[0]["ok"], true);
    EXPECT_EQ(list[0]["command"], "beep");
    EXPECT_EQ(list[1]["serialNumber"], "SER-B");
    EXPECT_EQ(list[1]["ok"], true);
    EXPECT_EQ(list[2]["node"], node(2));
    EXPECT_TRUE(list[2]["serialNumber"].is_null());
    EXPECT_EQ(list[2]["ok"], false);
    EXPECT_EQ(list[2]["error"]["code"], 51);
    EXPECT_EQ(list[2]["error"]["reason"], "No such file or directory");
    for (auto* printer : {&first(), &second()}) {
        EXPECT_NE(printer->state().find("buzzer=0"), std::string::npos);
    }

    const ProgramRun words = runOnPty({"--all", "settings"});
    EXPECT_EQ(words.status, 51);
    EXPECT_NE(words.out.find("== " + node(0) + " (SER-A)\n"), std::string::npos) << words.out;
    EXPECT_NE(words.out.find("[labelHeight=60]"), std::string::npos);
    EXPECT_NE(words.out.find("== " + node(1) + " (SER-B)\n"), std::string::npos);
    EXPECT_NE(words.out.find("== " + node(2) + " (serial number unknown)\n"), std::string::npos);
    EXPECT_NE(words.err.find("qv410: " + node(2) + ": "), std::string::npos) << words.err;

    // Everything answers: 0.
    third_->control("plug");
    EXPECT_EQ(runOnPty({"--all", "check"}).status, 0);
}

TEST_F(ThreePrinters, AllAppliesAProfileToEveryPrinter) {
    third_->control("plug");
    const fs::path file = savedProfile();
    const ProgramRun run = runOnPty({"--json", "--all", "apply", file});
    EXPECT_EQ(run.status, 0) << run.out;
    const Json list = Json::parse(run.out, nullptr, false);
    ASSERT_TRUE(list.is_array() && list.size() == 3U) << run.out;
    EXPECT_TRUE(list[0]["changed"].empty()) << "the printer it came from";
    EXPECT_EQ(list[0]["written"], false);
    EXPECT_EQ(list[2]["written"], true);
    EXPECT_FALSE(anyWrite(first().received()));
    EXPECT_EQ(settingsOf(second()), kTunedSettings);
    EXPECT_EQ(settingsOf(*third_), kTunedSettings);
}

TEST_F(ThreePrinters, AllAsksOnceNamingEveryPrinterAndExcludesChoosingOne) {
    third_->control("plug");
    const ProgramRun noTerminal = runOnPty({"--all", "factory-reset"});
    EXPECT_EQ(noTerminal.status, 4);
    const ProgramRun declined = runOnPty({"--all", "factory-reset"}, withInput("n\n", true));
    EXPECT_EQ(declined.status, 4);
    for (int n = 0; n < 3; ++n) {
        EXPECT_NE(declined.err.find(node(n)), std::string::npos) << declined.err;
    }
    EXPECT_NE(declined.err.find("SER-C"), std::string::npos);
    EXPECT_NE(first().state().find("factoryrestores=0"), std::string::npos);
    const ProgramRun yes = runOnPty({"--all", "factory-reset"}, withInput("y\n", true));
    EXPECT_EQ(yes.status, 0) << yes.err;
    for (auto* printer : {&first(), &second(), third_.get()}) {
        EXPECT_NE(printer->state().find("factoryrestores=1"), std::string::npos);
    }
    EXPECT_EQ(run({"--all", "--serial", "SER-A", "check"}).status, 64);
    EXPECT_EQ(run({"--all", "--device", "/dev/null", "check"}).status, 64);
    EXPECT_EQ(run({"--all", "--simulator", "check"}).status, 64);
    EXPECT_EQ(run({"--all", "list"}).status, 64);
    // --all wins over QV410_SERIAL, as --device does.
    EXPECT_EQ(runOnPty({"--all", "check"}, withEnvironment("QV410_SERIAL", "SER-X")).status, 0);
}

// --- metrics ------------------------------------------------------------------------------

// Empty when the build found no promtool or was told not to use it.
constexpr const char* kPromtool = QV410_PROMTOOL;

TEST_F(ThreePrinters, MetricsReportEveryPrinterAndPassPromtool) {
    first().control("status 8");
    second().control("noreply 1");
    const ProgramRun run = runOnPty({"metrics"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string a = "{serial=\"SER-A\",node=\"" + node(0) + "\"";
    EXPECT_NE(run.out.find("qv410_printers 3\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("qv410_up" + a + "} 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("qv410_status" + a + "} 8\n"), std::string::npos);
    EXPECT_NE(run.out.find("qv410_status_bit" + a + ",bit=\"paperOut\"} 1\n"), std::string::npos);
    EXPECT_NE(run.out.find("qv410_printed_length_meters_total" + a + "} 123.45\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("qv410_printer_info" + a +
                           ",type=\"QV-410\",firmware=\"V1.05 2025-11-10\"} 1\n"),
              std::string::npos);
    // The silent one and the unplugged one: up 0 with a reason, nothing else.
    EXPECT_NE(run.out.find("qv410_up{serial=\"\",node=\"" + node(1) + "\",reason=\""),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("qv410_up{serial=\"\",node=\"" + node(2) +
                           "\",reason=\"No such file or directory\"} 0\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("qv410_status{serial=\"\""), std::string::npos);

    if (std::string_view(kPromtool).empty()) {
        GTEST_SKIP() << "no promtool (Debian package prometheus) in this build";
    }
    const ProgramRun check = runProgram(kPromtool, {"check", "metrics"}, withInput(run.out));
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(check.out + check.err, "");
}

TEST_F(Fleet, MetricsOutputIsReplacedWholeWhileBeingRead) {
    const fs::path file = dir_.path() / "qv410.prom";
    std::ofstream(file) << "old\n";
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> partial{0};
    std::thread reader([&] {
        while (!done) {
            const std::string text = readFile(file);
            ++reads;
            if (text != "old\n" && !(text.starts_with("# HELP qv410_printers") &&
                                     text.ends_with("firmware=\"V1.05 2025-11-10\"} 1\n"))) {
                ++partial;
            }
        }
    });
    for (int i = 0; i < 10; ++i) {
        const ProgramRun run = runOnPty({"metrics", "--output", file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("written to " + file.string()), std::string::npos);
    }
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 10);
    EXPECT_EQ(partial.load(), 0);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644U);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1)
        << "no temporary file left";
    // A folder it cannot write into: 73 and the reason.
    const ProgramRun refused = runOnPty({"metrics", "--output", "/proc/qv410.prom"});
    EXPECT_EQ(refused.status, 73);
}

// --- The help and the completion against the one table of settings -------------------------

TEST_F(Qv410Test, HelpAndCompletionOfferExactlyTheTableNamesRangesAndWords) {
    const ProgramRun help = run({"set", "--help"});
    ASSERT_EQ(help.status, 0);
    for (const auto& s : qv::model::kPrintSettings) {
        std::string range = std::to_string(s.min) + "-" + std::to_string(s.max);
        if (!s.words.empty()) {
            std::string words;
            for (const std::string_view w : s.words) {
                words += (words.empty() ? "" : "|") + std::string(w);
            }
            range = words + " (" + range + ")";
        }
        EXPECT_NE(help.out.find(std::string(s.name) + std::string(18 - s.name.size(), ' ') + range),
                  std::string::npos)
            << s.name << "\n"
            << help.out;

        // The completion's words for the setting, as bash offers them after "NAME=".
        const std::string script = "source '" + std::string(QV410_COMPLETION) +
                                   "'; COMP_WORDBREAKS=' '; COMP_LINE='qv410 set " +
                                   std::string(s.name) +
                                   "='; COMP_POINT=${#COMP_LINE}; _qv410; "
                                   "printf '%s\\n' \"${COMPREPLY[@]}\"";
        const ProgramRun completion = runProgram("/bin/bash", {"--norc", "-c", script});
        std::string expected;
        for (const std::string_view w : s.words) {
            expected += std::string(s.name) + "=" + std::string(w) + "\n";
        }
        EXPECT_EQ(completion.out == "\n" ? "" : completion.out, expected) << s.name;
    }
}

}  // namespace
