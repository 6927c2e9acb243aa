// Which printer qv410 talks to: never anything but a character device, every attached printer
// listed, and one of several chosen by its serial number.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace {

using namespace qv410::testing;

// The bytes, size and time of last change of a path, to show it was left alone.
struct Snapshot {
    bool exists = false;
    off_t size = 0;
    long long modifiedNs = 0;
    std::string bytes;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const fs::path& path) {
    Snapshot s;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return s;
    }
    s.exists = true;
    s.size = info.st_size;
    s.modifiedNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    if (S_ISREG(info.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        s.bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    return s;
}

TEST_F(Qv410Test, DeviceThatIsNoCharacterDeviceIsRefusedWith51AndLeftAlone) {
    TempDir dir;
    const fs::path file = dir.path() / "important.txt";
    std::ofstream(file) << "IMPORTANT DATA LINE\n";
    const fs::path link = dir.path() / "lp0";
    fs::create_symlink(file, link);
    const fs::path folder = dir.path() / "folder";
    fs::create_directory(folder);
    const fs::path fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = dir.path() / "socket";
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const fs::path& path : {file, link, folder, fifo, socketPath}) {
        const Snapshot before = snapshot(path);
        // Among them the two the user met: a buzzer command, and a factory reset that once
        // reported success on a file.
        for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
                 {"beep", "on"}, {"factory-reset", "--yes"}, {"info"}, {"set", "darkness=3"}}) {
            std::vector<std::string> arguments = {"--json", "--device", path.string()};
            arguments.insert(arguments.end(), command.begin(), command.end());
            const ProgramRun r = run(arguments);
            EXPECT_EQ(r.status, 51) << path << " " << command.front() << r.out;
            const Json error = parseJson(r)["error"];
            EXPECT_EQ(error["node"], path.string());
            EXPECT_NE(error["reason"].get<std::string>().find("not a character device"),
                      std::string::npos)
                << r.out;
        }
        EXPECT_EQ(snapshot(path), before) << path;
    }
    ::close(server);
    EXPECT_EQ(snapshot(file).bytes, "IMPORTANT DATA LINE\n");

    // In words: the node and what it is.
    const ProgramRun words = run({"--device", file.string(), "beep", "on"});
    EXPECT_EQ(words.err, "qv410: The USB printer cannot be opened. (" + file.string() +
                             ": not a character device but a regular file)\n");
    // Absent: named with the system's reason, and not created.
    const fs::path absent = dir.path() / "lp9";
    const ProgramRun missing = run({"--device", absent.string(), "check"});
    EXPECT_EQ(missing.status, 51);
    EXPECT_NE(missing.err.find(absent.string() + ": No such file or directory"), std::string::npos)
        << missing.err;
    EXPECT_FALSE(fs::exists(absent));
}

class TwoPrinters : public Qv410Test {
  protected:
    // lp0 answers SER-A and is ready; lp1 answers SER-B, is out of paper and runs firmware that
    // does not acknowledge settings.
    void SetUp() override {
        startPrinter({"--lp", "0", "--serial", "SER-A"});
        second_ = std::make_unique<qv::testing::PtyPrinterProcess>(
            std::vector<std::string>{"--join", printer_->root(), "--lp", "1", "--serial", "SER-B",
                                     "--status", "8", "--firmware", "V1.04 2024-03-02"});
    }
    qv::testing::PtyPrinterProcess& first() { return *printer_; }
    qv::testing::PtyPrinterProcess& second() { return *second_; }
    std::string node(int n) const { return printer_->root() + "/dev/usb/lp" + std::to_string(n); }

    std::unique_ptr<qv::testing::PtyPrinterProcess> second_;
};

TEST_F(TwoPrinters, ListShowsBothWithTheirIdentityAndStatus) {
    const ProgramRun words = runOnPty({"list"});
    EXPECT_EQ(words.status, 0) << words.err;
    EXPECT_NE(words.out.find(node(0) + "\n  Printer Serial Number: SER-A\n"), std::string::npos)
        << words.out;
    EXPECT_NE(words.out.find(node(1) + "\n  Printer Serial Number: SER-B\n"), std::string::npos)
        << words.out;
    EXPECT_NE(words.out.find("Printer Status: Out of paper (0x08)"), std::string::npos);
    EXPECT_NE(words.out.find("Firmware Version: V1.04 2024-03-02"), std::string::npos);
    EXPECT_EQ(words.err, "");

    const ProgramRun json = runOnPty({"--json", "list"});
    EXPECT_EQ(json.status, 0);
    const Json list = Json::parse(json.out, nullptr, false);
    ASSERT_TRUE(list.is_array()) << json.out;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["node"], node(0));
    EXPECT_EQ(list[0]["serialNumber"], "SER-A");
    EXPECT_EQ(list[0]["canOpen"], true);
    EXPECT_EQ(list[0]["status"], 0);
    EXPECT_EQ(list[1]["serialNumber"], "SER-B");
    EXPECT_EQ(list[1]["statusMessageId"], "PO_QV_PRINT_STATUS_LACK_PAPER");
    EXPECT_EQ(list[1]["printerType"], "QV-410");
}

TEST_F(TwoPrinters, ListSaysWhichPrinterCannotBeOpenedAndWhy) {
    second().control("unplug");  // its node is gone, its entry in sysfs is not
    const ProgramRun words = runOnPty({"list"});
    EXPECT_EQ(words.status, 0) << words.err;
    EXPECT_NE(words.out.find(node(1) + "\n  cannot be opened: No such file or directory\n"),
              std::string::npos)
        << words.out;
    EXPECT_NE(words.out.find("SER-A"), std::string::npos);
    const Json list = Json::parse(runOnPty({"--json", "list"}).out, nullptr, false);
    ASSERT_TRUE(list.is_array());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["canOpen"], true);
    EXPECT_EQ(list[1]["canOpen"], false);
    EXPECT_EQ(list[1]["reason"], "No such file or directory");
    EXPECT_FALSE(list[1].contains("hint"));  // not a matter of rights
}

TEST_F(TwoPrinters, SerialReachesEachPrinterAndOnlyIt) {
    const ProgramRun toSecond = runOnPty({"--serial", "SER-B", "beep", "off"});
    EXPECT_EQ(toSecond.status, 0) << toSecond.err;
    // The second printer was asked for its version (its first packet), its serial number, then
    // got the command; the first only the questions that found it was not the one.
    const auto secondGot = second().received();
    ASSERT_EQ(secondGot.size(), 3u) << ::testing::PrintToString(secondGot);
    EXPECT_EQ(secondGot[0], "command 1f1b1a040103");
    EXPECT_EQ(secondGot[1], "command 1f1b1a040102");
    EXPECT_EQ(secondGot[2], "command 1f1b1a01020000");
    EXPECT_EQ(first().received(),
              (std::vector<std::string>{"command 1f1b1a040103", "command 1f1b1a040102"}));
    EXPECT_NE(second().state().find("buzzer=0"), std::string::npos);
    EXPECT_NE(first().state().find("buzzer=1"), std::string::npos);

    first().clearReceived();
    second().clearReceived();
    const ProgramRun toFirst = runOnPty({"dump", "on"}, withEnvironment("QV410_SERIAL", "SER-A"));
    EXPECT_EQ(toFirst.status, 0) << toFirst.err;
    EXPECT_EQ(first().received(),
              (std::vector<std::string>{"command 1f1b1a040103", "command 1f1b1a040102",
                                        "command 1f1b1a03020201"}));
    EXPECT_TRUE(second().received().empty());
}

TEST_F(TwoPrinters, UnknownSerialIs50NamingTheSerialsFoundAndSendsNoCommand) {
    const ProgramRun r = runOnPty({"--serial", "SER-X", "factory-reset", "--yes"});
    EXPECT_EQ(r.status, 50);
    EXPECT_NE(r.err.find("SER-X"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("SER-A at " + node(0)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("SER-B at " + node(1)), std::string::npos) << r.err;
    for (auto* printer : {&first(), &second()}) {
        for (const std::string& line : printer->received()) {
            EXPECT_TRUE(line == "command 1f1b1a040103" || line == "command 1f1b1a040102") << line;
        }
        EXPECT_NE(printer->state().find("factoryrestores=0"), std::string::npos);
    }
    const Json json = parseJson(runOnPty({"--json", "--serial", "SER-X", "check"}));
    EXPECT_EQ(json["error"]["code"], 50);
    EXPECT_EQ(json["error"]["serial"], "SER-X");
    EXPECT_EQ(json["error"]["printers"].size(), 2u);
}

TEST_F(TwoPrinters, WithoutAChoiceTheFirstIsUsedAndTheUserIsTold) {
    const ProgramRun words = runOnPty({"check"});
    EXPECT_EQ(words.status, 0);
    EXPECT_NE(words.err.find("2 printers found"), std::string::npos) << words.err;
    EXPECT_NE(words.err.find("--serial"), std::string::npos) << words.err;
    const Json json = parseJson(runOnPty({"--json", "check"}));
    EXPECT_EQ(json["printersFound"], 2);
    EXPECT_TRUE(second().received().empty());
    EXPECT_EQ(first().received().size(), 4u);  // two runs, each the version query and the check
}

TEST_F(Qv410Test, SerialWithDeviceIsAUsageFaultAndListWithoutPrintersIs50) {
    EXPECT_EQ(run({"--serial", "A", "--device", "/dev/null", "check"}).status, 64);
    EXPECT_EQ(run({"--serial", "A", "--simulator", "check"}).status, 64);
    EXPECT_EQ(run({"--serial=", "check"}).status, 64);
    const ProgramRun none = run({"list"});
    EXPECT_EQ(none.status, 50);
    EXPECT_EQ(none.err, "qv410: No USB printer was found.\n");
    // One printer: no note about others.
    startPrinter();
    const ProgramRun one = runOnPty({"check"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.err, "");
    EXPECT_FALSE(parseJson(runOnPty({"--json", "check"})).contains("printersFound"));
}

}  // namespace
