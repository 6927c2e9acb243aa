// Nothing but a character device is ever opened as the printer: a path given in QV410_DEVICE that
// names anything else is refused by every export with 51 and left exactly as it was.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "device/simulated_printer.h"
#include "link_state.h"
#include "unique_fd.h"

namespace fs = std::filesystem;

namespace {

struct Snapshot {
    bool exists = false;
    mode_t mode = 0;
    off_t size = 0;
    timespec modified{};
    std::string bytes;  // regular files only
};

Snapshot snapshot(const std::string& path) {
    Snapshot s;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return s;
    }
    s.exists = true;
    s.mode = info.st_mode;
    s.size = info.st_size;
    s.modified = info.st_mtim;
    if (S_ISREG(info.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        s.bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    return s;
}

void expectUnchanged(const Snapshot& before, const std::string& path, const std::string& what) {
    const Snapshot after = snapshot(path);
    EXPECT_EQ(after.exists, before.exists) << what;
    EXPECT_EQ(after.mode, before.mode) << what;
    EXPECT_EQ(after.size, before.size) << what;
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec) << what;
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec) << what;
    EXPECT_EQ(after.bytes, before.bytes) << what;
}

// Every export that writes or reads, each as the first call after loading; all must end with 51
// (GetSettingResult with its own 54 once none of its reads could open the path).
struct Call {
    const char* name;
    std::function<int32_t(const std::string& path)> run;
    int32_t code = QV_ERR_CANNOT_OPEN_USB_PRINTER;
};

std::vector<Call> calls() {
    static const PrintSettingParam settings = qv::sim::factorySettings();
    static const uint8_t on = 1;
    static const uint8_t learn = 0;
    return {
        {"USBCheckConnection", [](const std::string&) { return USBCheckConnection(); }},
        {"QVGetPrinterIsOK",
         [](const std::string&) {
             int32_t status = 0;
             return QVGetPrinterIsOK(&status);
         }},
        {"QVGetPrinterInfo",
         [](const std::string&) {
             PrinterInfo info{};
             return QVGetPrinterInfo(&info);
         }},
        {"QVSetPrintSetting", [](const std::string&) { return QVSetPrintSetting(&settings); }},
        {"QVSetUserDefSetting", [](const std::string&) { return QVSetUserDefSetting(&on); }},
        {"QVRestoreFactorySettings", [](const std::string&) { return QVRestoreFactorySettings(); }},
        {"QVSetLocationSetting", [](const std::string&) { return QVSetLocationSetting(&learn); }},
        {"QVSetDumpMode", [](const std::string&) { return QVSetDumpMode(1); }},
        {"QVLabelLackPaperLearn", [](const std::string&) { return QVLabelLackPaperLearn(); }},
        {"GetSettingResult", [](const std::string&) { return GetSettingResult(); },
         QV_ERR_READ_USB_BEYOND_MAX_TIME},
        {"QVSelfTestPrint", [](const std::string&) { return QVSelfTestPrint(); }},
        {"QVSelectPrinterPath",
         [](const std::string& path) {
             const std::u16string wide(path.begin(), path.end());
             return QVSelectPrinterPath(reinterpret_cast<const QVWCHAR*>(wide.c_str()));
         }},
    };
}

class PathCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qv410-notdev-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ::unsetenv("QV410_ROOT");
    }
    void TearDown() override {
        ::unsetenv("QV410_DEVICE");
        qv::device::install(nullptr);
        qv::resetLinkStateForTesting();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // Runs every call against path; each fails with 51 and the path is untouched.
    void expectRefusedEverywhere(const std::string& path, const std::string& kind) {
        const Snapshot before = snapshot(path);
        ::setenv("QV410_DEVICE", path.c_str(), 1);
        for (const Call& call : calls()) {
            qv::resetLinkStateForTesting();
            qv::device::install(nullptr);
            EXPECT_EQ(call.run(path), 0) << kind << ": " << call.name;
            EXPECT_EQ(BaseGetQVError(), call.code) << kind << ": " << call.name;
        }
        expectUnchanged(before, path, kind);
    }

    std::string dir;
};

TEST_F(PathCheckTest, RegularFileAndALinkToOneAreNeitherWrittenNorTruncated) {
    const std::string file = dir + "/important";
    std::ofstream(file) << "IMPORTANT DATA LINE\n";
    expectRefusedEverywhere(file, "regular file");

    const std::string link = dir + "/lp0";
    fs::create_symlink(file, link);
    expectRefusedEverywhere(link, "link to a regular file");
    EXPECT_EQ(snapshot(file).bytes, "IMPORTANT DATA LINE\n");

    // Empty: a write would show as a size above 0.
    const std::string empty = dir + "/empty";
    std::ofstream(empty).close();
    expectRefusedEverywhere(empty, "empty file");
}

TEST_F(PathCheckTest, DirectoryAndAbsentPathAreRefusedAndNothingIsCreated) {
    expectRefusedEverywhere(dir, "directory");
    EXPECT_TRUE(fs::is_empty(dir));
    const std::string absent = dir + "/lp9";
    expectRefusedEverywhere(absent, "absent path");
    EXPECT_FALSE(fs::exists(absent));
}

TEST_F(PathCheckTest, FifoIsNotWrittenToEvenWithAReaderWaiting) {
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // With a reader present a write would go through; with a writer present a read would.
    const qv::UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
    ASSERT_TRUE(reader.ok());
    expectRefusedEverywhere(fifo, "fifo");
    char byte = 0;
    errno = 0;
    EXPECT_EQ(::read(reader.get(), &byte, 1), 0);  // no writer ever opened it: end of file
}

TEST_F(PathCheckTest, SocketIsNeverConnectedTo) {
    const std::string path = dir + "/socket";
    const qv::UniqueFd server(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    ASSERT_TRUE(server.ok());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server.get(), 4), 0);
    expectRefusedEverywhere(path, "socket");
    errno = 0;
    EXPECT_EQ(::accept(server.get(), nullptr, nullptr), -1);
    EXPECT_EQ(errno, EAGAIN);
}

// A block node of its own (an unbound loop device), so that a fault here cannot reach a disk.
TEST_F(PathCheckTest, BlockDeviceIsRefused) {
    const std::string node = dir + "/block";
    if (::mknod(node.c_str(), S_IFBLK | 0600, makedev(7, 250)) != 0) {
        GTEST_SKIP() << "cannot create a block node here: " << std::strerror(errno);
    }
    expectRefusedEverywhere(node, "block device");
}

TEST_F(PathCheckTest, DiscoveryPassesByANodeThatIsNoDevice) {
    // A fake tree whose lp0 matches but is a regular file, and whose lp1 matches and is a
    // character device.
    const fs::path root = dir;
    for (int n : {0, 1}) {
        const fs::path usb = root / "sys/devices/usb1" / ("1-" + std::to_string(n));
        fs::create_directories(usb / ("1-" + std::to_string(n) + ":1.0"));
        std::ofstream(usb / "idVendor") << "0fe6\n";
        std::ofstream(usb / "idProduct") << "811e\n";
        const fs::path cls = root / "sys/class/usbmisc" / ("lp" + std::to_string(n));
        fs::create_directories(cls);
        fs::create_directory_symlink(usb / ("1-" + std::to_string(n) + ":1.0"), cls / "device");
    }
    fs::create_directories(root / "dev/usb");
    std::ofstream(root / "dev/usb/lp0") << "not a printer";
    fs::create_symlink("/dev/null", root / "dev/usb/lp1");
    ::setenv("QV410_ROOT", dir.c_str(), 1);
    const auto device = qv::device::makeLinuxDevice();
    EXPECT_EQ(device->find(), dir + "/dev/usb/lp1");
    EXPECT_EQ(device->findAll(), std::vector<std::string>{dir + "/dev/usb/lp1"});
    ::unsetenv("QV410_ROOT");
}

}  // namespace
