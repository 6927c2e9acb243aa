// Two programs at once on one printer: each exchange is one program's, so every run reports the
// printer's own values or that the printer was in use, never another program's reply.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli_fixture.h"

namespace {

using namespace qv410::testing;

struct Outcome {
    int right = 0;
    int inUse = 0;
    std::vector<std::string> wrong;
};

// A dialog open while a script polls the printer, three times over: two loops read the
// identity, one the settings, all at once.
TEST_F(Qv410Test, ProgramsSharingAPrinterGetOnlyTheirOwnRepliesOrInUse) {
    startPrinter({"--serial", "QV-SHARE-0042", "--printed", "31415", "--status", "0"});
    const ProgramRun infoAlone = runOnPty({"--json", "info"});
    const ProgramRun settingsAlone = runOnPty({"--json", "settings"});
    ASSERT_EQ(infoAlone.status, 0) << infoAlone.err;
    ASSERT_EQ(settingsAlone.status, 0) << settingsAlone.err;
    Json info = parseJson(infoAlone);
    ASSERT_EQ(info["serialNumber"], "QV-SHARE-0042");
    ASSERT_EQ(info["printedLength"], 31415);
    const Json settings = parseJson(settingsAlone)["settings"];

    constexpr int kRuns = 12;
    std::vector<Outcome> outcomes(3);
    const auto loop = [&](Outcome& outcome, const std::string& command) {
        for (int i = 0; i < kRuns; ++i) {
            const ProgramRun run = runOnPty({"--json", command});
            const Json got = Json::parse(run.out, nullptr, false);
            if (run.status == 0 && got.is_object() && got["ok"] == true) {
                const bool same = command == "info"
                                      ? (got["serialNumber"] == info["serialNumber"] &&
                                         got["printerType"] == info["printerType"] &&
                                         got["firmwareVersion"] == info["firmwareVersion"] &&
                                         got["status"] == info["status"] &&
                                         got["printedLength"] == info["printedLength"])
                                      : got["settings"] == settings;
                if (same) {
                    ++outcome.right;
                    continue;
                }
            } else if (run.status == 51 && got.is_object() &&
                       got["error"]["reason"] == "in use by another program") {
                ++outcome.inUse;
                continue;
            }
            outcome.wrong.push_back(std::to_string(run.status) + " " + run.out + run.err);
        }
    };
    std::thread first(loop, std::ref(outcomes[0]), "info");
    std::thread second(loop, std::ref(outcomes[1]), "info");
    std::thread third(loop, std::ref(outcomes[2]), "settings");
    first.join();
    second.join();
    third.join();

    int right = 0;
    for (const Outcome& outcome : outcomes) {
        right += outcome.right;
        for (const std::string& wrong : outcome.wrong) {
            ADD_FAILURE() << "a run that is neither right nor 'in use': " << wrong;
        }
    }
    EXPECT_GT(right, 0);
    std::printf("%d of %d runs right, %d found the printer in use\n", right, 3 * kRuns,
                outcomes[0].inUse + outcomes[1].inUse + outcomes[2].inUse);
}

// The reason reaches the operator in words and in the JSON object, with the node.
TEST_F(Qv410Test, PrinterHeldByAnotherProgramIs51InUse) {
    auto& printer = startPrinter();
    // Another program's exchange: its descriptor, locked as the library locks it.
    const int other = ::open(printer.ptyPath().c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    const ProgramRun text = runOnPty({"info"});
    EXPECT_EQ(text.status, 51);
    EXPECT_NE(text.err.find("in use by another program"), std::string::npos) << text.err;
    const ProgramRun jsonInfo = runOnPty({"--json", "info"});
    EXPECT_EQ(jsonInfo.status, 51);
    const Json failure = parseJson(jsonInfo);
    EXPECT_EQ(failure["error"]["code"], 51);
    EXPECT_EQ(failure["error"]["reason"], "in use by another program");
    EXPECT_EQ(failure["error"]["node"], printer.root() + "/dev/usb/lp0");
    // Looked for by serial number: the printer in use may be the one asked for.
    const ProgramRun bySerial = runOnPty({"--json", "--serial", "QV-ELSEWHERE", "info"});
    EXPECT_EQ(bySerial.status, 51) << bySerial.out;
    EXPECT_EQ(parseJson(bySerial)["error"]["reason"], "in use by another program");
    const ProgramRun list = runOnPty({"list"});
    EXPECT_NE(list.out.find("cannot be opened: in use by another program"), std::string::npos)
        << list.out;
    ::close(other);
    EXPECT_EQ(runOnPty({"info"}).status, 0) << "the printer let go is this program's again";
}

}  // namespace
