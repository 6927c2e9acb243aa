// Every allocation an export makes, failed in turn: each export still returns 0 or 1 (the catalog
// lookups their buffer, untouched or holding a terminated text), and the process goes on. The
// exports talk through the real Linux device layer to the pty-served simulated printer, and
// each attempt starts from a freshly loaded library, so discovery and the version gate are part
// of every call.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>

#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "head_test_job.h"
#include "interposers.h"
#include "link_state.h"
#include "pty_printer_process.h"
#include "text/codepage.h"
#include "unique_fd.h"

namespace {

namespace fs = std::filesystem;

void noPause(std::chrono::milliseconds /*duration*/) {}

std::size_t openDescriptors() {
    std::size_t n = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir)) {
            n += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(dir);
    }
    return n;
}

struct Case {
    const char* name;
    std::function<int32_t()> call;
};

class AllocationFailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!qv::testing::allocationsInterposed()) {
            GTEST_SKIP() << "operator new is not ours here (a memory checker replaced it)";
        }
        ::unsetenv("QV410_DEVICE");
        printer =
            std::make_unique<qv::testing::PtyPrinterProcess>(std::vector<std::string>{"--quiet"});
        ::setenv("QV410_ROOT", printer->root().c_str(), 1);
        qv::selftest::setPauseForTesting(noPause);
        std::string pattern = (fs::temp_directory_path() / "qv-alloc-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        firmware = qv::text::fromUtf8((dir / "image.bin").string());
        std::ofstream(dir / "image.bin", std::ios::binary) << std::string(300, '\x33');
    }
    void TearDown() override {
        qv::device::install(nullptr);
        ::unsetenv("QV410_ROOT");
        printer.reset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // As if the library had just been loaded, with no reply of an earlier call left in the line.
    void freshLibrary() {
        qv::resetLinkStateForTesting();
        qv::device::install(nullptr);
        const qv::UniqueFd line(
            ::open(printer->ptyPath().c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(line.ok());
        char drain[256];
        pollfd pfd{line.get(), POLLIN, 0};
        while (::poll(&pfd, 1, 30) > 0 && ::read(line.get(), drain, sizeof drain) > 0) {
        }
    }

    std::vector<Case> cases() {
        return {
            {"QVGetPrinterType", [this] { return QVGetPrinterType(text); }},
            {"QVGetPrinterSerialNum", [this] { return QVGetPrinterSerialNum(text); }},
            {"QVGetPrinterFirmwareVer", [this] { return QVGetPrinterFirmwareVer(text); }},
            {"QVGetPrinterIsOK", [this] { return QVGetPrinterIsOK(&number); }},
            {"QVGetPrinterPrintedLen", [this] { return QVGetPrinterPrintedLen(&number); }},
            {"QVBadPointCheck", [this] { return QVBadPointCheck(&number); }},
            {"QVGetPrinterInfo", [this] { return QVGetPrinterInfo(&info); }},
            {"USBCheckConnection", [] { return USBCheckConnection(); }},
            {"QVSetPrintSetting", [this] { return QVSetPrintSetting(&settings); }},
            {"QVGetPrinterPrintSettingParam",
             [this] { return QVGetPrinterPrintSettingParam(&settings); }},
            {"QVSetUserDefSetting", [this] { return QVSetUserDefSetting(&byte); }},
            {"QVRestoreFactorySettings", [] { return QVRestoreFactorySettings(); }},
            {"QVSetLocationSetting", [this] { return QVSetLocationSetting(&byte); }},
            {"QVSetDumpMode", [] { return QVSetDumpMode(1); }},
            {"QVLabelLackPaperLearn", [] { return QVLabelLackPaperLearn(); }},
            {"GetSettingResult", [] { return GetSettingResult(); }},
            {"QVTextTestPrint", [this] { return QVTextTestPrint(&request); }},
            {"QVSelfTestPrint", [] { return QVSelfTestPrint(); }},
            {"BaseDownloadFirmware", [this] { return BaseDownloadFirmware(firmware.c_str()); }},
        };
    }

    std::unique_ptr<qv::testing::PtyPrinterProcess> printer;
    fs::path dir;
    std::u16string firmware;
    QVWCHAR text[QV_PRINTER_TEXT_LEN] = {};
    int32_t number = 0;
    PrinterInfo info{};
    PrintSettingParam settings{};
    uint8_t byte = 0;
    TextTestRequest request{50, 30, {u'A', u'\r', u'\n', u'B'}};
};

TEST_F(AllocationFailureTest, EveryExportSurvivesEachOfItsAllocationsFailing) {
    ASSERT_NE(std::setlocale(LC_ALL, "en_US.UTF-8"), nullptr);
    std::size_t points = 0;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        // Set up the GetSettingResult case with an acknowledgement to read.
        const auto prepare = [&] {
            freshLibrary();
            if (std::string(c.name) == "GetSettingResult") {
                QVSetDumpMode(1);
            }
        };
        prepare();
        qv::testing::armAllocations(0);
        ASSERT_EQ(c.call(), 1) << "the call fails even with memory to spare";
        const std::size_t total = qv::testing::disarmAllocations();
        for (std::size_t n = 1; n <= total; ++n) {
            freshLibrary();
            const std::size_t descriptors = openDescriptors();
            prepare();
            qv::testing::armAllocations(n);
            const int32_t result = c.call();
            qv::testing::disarmAllocations();
            EXPECT_TRUE(result == 0 || result == 1) << "allocation " << n << ": " << result;
            EXPECT_TRUE(qv::testing::allocationFailed()) << "allocation " << n;
            // Nothing stays open on the way out, discovery's directory included, once the next
            // export has ended what a command keeps for its acknowledgement.
            QVListPrinterPaths(nullptr, 0);
            EXPECT_EQ(openDescriptors(), descriptors) << "allocation " << n;
        }
        std::printf("%-30s %zu allocation points\n", c.name, total);
        points += total;
    }
    std::printf("allocation points in all: %zu\n", points);
    std::setlocale(LC_ALL, "C");
}

// Once the printer has been found and the gate has run, an exchange allocates nothing.
TEST_F(AllocationFailureTest, ExchangeAfterDiscoveryAllocatesNothing) {
    freshLibrary();
    int32_t status = -1;
    ASSERT_EQ(QVGetPrinterIsOK(&status), 1);
    qv::testing::armAllocations(0);
    EXPECT_EQ(QVGetPrinterIsOK(&status), 1);
    EXPECT_EQ(QVGetPrinterPrintedLen(&number), 1);
    EXPECT_EQ(QVSetDumpMode(0), 1);
    EXPECT_EQ(GetSettingResult(), 1);
    EXPECT_EQ(qv::testing::disarmAllocations(), 0u);
}

TEST_F(AllocationFailureTest, CatalogLookupLeavesTheBufferUntouchedOrTerminated) {
    ASSERT_NE(std::setlocale(LC_ALL, "en_US.UTF-8"), nullptr);
    bindtextdomain("PrinterTest", QV_TEST_CATALOG_DIR);
    textdomain("PrinterTest");
    bind_textdomain_codeset("PrinterTest", "utf-8");
    constexpr std::size_t kUnits = 270;
    std::size_t points = 0;
    for (const char* id : {"PO_GSTR_SUCCESS", "PO_GSTR_CJK", "PO_GSTR_LONG", "PO_END_FLAG"}) {
        SCOPED_TRACE(id);
        QVWCHAR buffer[kUnits];
        qv::testing::armAllocations(0);
        BaseGetPOText(id, buffer);
        const std::size_t total = qv::testing::disarmAllocations();
        for (std::size_t n = 1; n <= total; ++n) {
            std::fill(std::begin(buffer), std::end(buffer), u'#');
            qv::testing::armAllocations(n);
            const QVWCHAR* result = BaseGetPOText(id, buffer);
            qv::testing::disarmAllocations();
            EXPECT_EQ(result, buffer);
            const bool untouched = std::all_of(std::begin(buffer), std::end(buffer),
                                               [](char16_t u) { return u == u'#'; });
            const std::size_t length = qv::text::boundedLength(buffer, 260);
            EXPECT_TRUE(untouched || length < 260) << "allocation " << n;
            EXPECT_EQ(buffer[260], u'#');
        }
        points += total;
    }
    std::printf("catalog lookup allocation points: %zu\n", points);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
