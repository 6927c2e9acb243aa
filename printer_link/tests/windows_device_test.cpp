// The Windows device layer against named pipes standing in for the printer's device path: the
// waits of the overlapped read, the open failures and the discovery with no printer attached.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "device/windows_device.h"
#include "link_state.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// One pipe instance a device open connects to; what the "printer" does is up to the test.
class PipePrinter {
  public:
    explicit PipePrinter(DWORD bufferSize = 4096) {
        static std::atomic<int> counter{0};
        path_ = "\\\\.\\pipe\\qv410-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        const std::wstring wide(path_.begin(), path_.end());
        pipe_ = ::CreateNamedPipeW(wide.c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, bufferSize,
                                   bufferSize, 0, nullptr);
    }
    ~PipePrinter() {
        if (server_.joinable()) {
            server_.join();
        }
        if (pipe_ != INVALID_HANDLE_VALUE) {
            ::DisconnectNamedPipe(pipe_);
            ::CloseHandle(pipe_);
        }
    }
    PipePrinter(const PipePrinter&) = delete;
    PipePrinter& operator=(const PipePrinter&) = delete;

    bool ok() const { return pipe_ != INVALID_HANDLE_VALUE; }
    const std::string& path() const { return path_; }

    // Once the device has opened the pipe, waits delay and writes reply.
    void replyAfter(milliseconds delay, std::string reply) {
        server_ = std::thread([this, delay, reply = std::move(reply)] {
            awaitClient();
            std::this_thread::sleep_for(delay);
            DWORD written = 0;
            ::WriteFile(pipe_, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
        });
    }

    // What the device wrote, up to size bytes.
    std::string receive(DWORD size) {
        std::string got(size, '\0');
        DWORD read = 0;
        if (!::ReadFile(pipe_, got.data(), size, &read, nullptr)) {
            return {};
        }
        got.resize(read);
        return got;
    }

  private:
    void awaitClient() {
        // False with ERROR_PIPE_CONNECTED when the device opened the pipe first: connected
        // either way.
        ::ConnectNamedPipe(pipe_, nullptr);
    }

    std::string path_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    std::thread server_;
};

class WindowsDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::resetLinkStateForTesting();
        _putenv("QV410_DEVICE=");
        device = qv::device::makePlatformDevice();
        qv::device::install(device);
    }
    void TearDown() override {
        qv::device::install(nullptr);
        _putenv("QV410_DEVICE=");
    }

    std::shared_ptr<qv::device::Device> device;
    std::array<uint8_t, qv::kReplySize> reply{};
};

TEST_F(WindowsDeviceTest, ReadWithNoReplyGivesUpAfterTheFullSecond) {
    PipePrinter printer;
    ASSERT_TRUE(printer.ok());
    std::size_t received = 99;
    const auto start = steady_clock::now();
    const auto status = device->read(printer.path(), reply, qv::kReadWait, received);
    const auto elapsed = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    EXPECT_EQ(status, qv::device::ReadStatus::failed);
    EXPECT_EQ(received, 0u);
    EXPECT_GE(elapsed.count(), 1000);
    EXPECT_LT(elapsed.count(), 1050);
}

TEST_F(WindowsDeviceTest, ReplyAfter200MillisecondsArrivesWhole) {
    PipePrinter printer;
    ASSERT_TRUE(printer.ok());
    const std::string answer("\x1F\x1B\x1A\x00\x01\x01", 6);
    printer.replyAfter(milliseconds(200), answer);
    std::size_t received = 0;
    const auto start = steady_clock::now();
    const auto status = device->read(printer.path(), reply, qv::kReadWait, received);
    const auto elapsed = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    ASSERT_EQ(status, qv::device::ReadStatus::ok);
    ASSERT_EQ(received, 6u);
    EXPECT_EQ(std::string(reply.begin(), reply.begin() + 6), answer);
    EXPECT_EQ(reply[6], 0);
    EXPECT_GE(elapsed.count(), 190);
    EXPECT_LT(elapsed.count(), 1000);
}

TEST_F(WindowsDeviceTest, LinkCodesForAPathThatCannotBeOpenedAndForSilence) {
    // No pipe of this name exists, and a pipe cannot be created by opening it.
    _putenv("QV410_DEVICE=\\\\.\\pipe\\qv410-test-nobody-listens");
    qv::device::install(nullptr);  // the device is chosen from the environment again
    EXPECT_EQ(QVLabelLackPaperLearn(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(USBCheckConnection(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);

    // A read that opens but hears nothing is 53.
    qv::resetLinkStateForTesting();
    PipePrinter printer;
    ASSERT_TRUE(printer.ok());
    const std::string setting = "QV410_DEVICE=" + printer.path();
    _putenv(setting.c_str());
    qv::device::install(nullptr);
    std::size_t count = 0;
    EXPECT_FALSE(qv::readDevice(reply, count));
    EXPECT_EQ(BaseGetQVError(), QV_ERR_READ_USB_FAIL);
}

TEST_F(WindowsDeviceTest, WrittenBytesReachTheOtherEnd) {
    PipePrinter printer;
    ASSERT_TRUE(printer.ok());
    const std::array<uint8_t, 6> packet = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x01};
    ASSERT_EQ(device->write(printer.path(), packet, std::chrono::seconds(5)),
              qv::device::WriteStatus::ok);
    // The device has closed its handle again; what it wrote waits in the pipe.
    EXPECT_EQ(printer.receive(64), std::string("\x1F\x1B\x1A\x04\x01\x01", 6));
}

TEST_F(WindowsDeviceTest, BoundedWriteGivesUpOnAPrinterThatTakesNothing) {
    // A pipe with a small buffer whose other end never reads: the write cannot finish.
    PipePrinter printer(64);
    ASSERT_TRUE(printer.ok());
    const std::vector<uint8_t> job(256 * 1024, 0x55);
    const auto start = steady_clock::now();
    const auto status = qv::device::writeWithin(printer.path(), job, milliseconds(300));
    const auto elapsed = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    EXPECT_EQ(status, qv::device::WriteStatus::writeFailed);
    EXPECT_GE(elapsed.count(), 300);
    EXPECT_LT(elapsed.count(), 1000);
    // A write that fits goes through within the same bound.
    PipePrinter roomy;
    ASSERT_TRUE(roomy.ok());
    const std::array<uint8_t, 3> small = {1, 2, 3};
    EXPECT_EQ(qv::device::writeWithin(roomy.path(), small, milliseconds(300)),
              qv::device::WriteStatus::ok);
    EXPECT_EQ(roomy.receive(8), std::string("\x01\x02\x03"));
    EXPECT_EQ(
        qv::device::writeWithin("\\\\.\\pipe\\qv410-test-nobody-listens", small, milliseconds(300)),
        qv::device::WriteStatus::openFailed);
}

TEST_F(WindowsDeviceTest, NoPrinterAmongThePresentUsbInterfaces) {
    // Wine presents no USB device with our vendor and product: discovery runs to the end of the
    // enumeration and finds nothing.
    EXPECT_FALSE(device->find().has_value());
    EXPECT_TRUE(device->findAll().empty());
    EXPECT_EQ(USBCheckConnection(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
    EXPECT_EQ(QVListPrinterPaths(nullptr, 0), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_NOT_FINE_USB_PRINTER);
}

// A disk file named as the printer is refused like an unopenable device: 51 from every export,
// and its bytes, size and time of last write unchanged; a path that does not exist is not created.
TEST_F(WindowsDeviceTest, DiskFileIsNeverWrittenAndNothingIsCreated) {
    std::array<wchar_t, MAX_PATH> folder{};
    ASSERT_GT(::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()), 0u);
    const std::wstring file = std::wstring(folder.data()) + L"qv410-not-a-printer-" +
                              std::to_wstring(::GetCurrentProcessId()) + L".txt";
    const std::string content = "IMPORTANT DATA LINE\r\n";
    HANDLE out = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(out, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(out);
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &before));

    const std::string narrowPath(file.begin(), file.end());
    const std::string setting = "QV410_DEVICE=" + narrowPath;
    _putenv(setting.c_str());
    qv::device::install(nullptr);
    const uint8_t on = 1;
    EXPECT_EQ(QVSetUserDefSetting(&on), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    int32_t status = -1;
    EXPECT_EQ(QVGetPrinterIsOK(&status), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(QVRestoreFactorySettings(), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    const std::u16string wide(file.begin(), file.end());
    EXPECT_EQ(QVSelectPrinterPath(wide.c_str()), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_FALSE(device->canOpen(narrowPath));

    WIN32_FILE_ATTRIBUTE_DATA after{};
    ASSERT_TRUE(::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(after.nFileSizeLow, before.nFileSizeLow);
    EXPECT_EQ(after.ftLastWriteTime.dwLowDateTime, before.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(after.ftLastWriteTime.dwHighDateTime, before.ftLastWriteTime.dwHighDateTime);
    HANDLE in = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    std::string got(64, '\0');
    DWORD read = 0;
    ::ReadFile(in, got.data(), static_cast<DWORD>(got.size()), &read, nullptr);
    ::CloseHandle(in);
    got.resize(read);
    EXPECT_EQ(got, content);
    ::DeleteFileW(file.c_str());

    // Absent: the open of old (OPEN_ALWAYS) would have created it.
    const std::wstring absent = file + L".absent";
    const std::string absentSetting = "QV410_DEVICE=" + std::string(absent.begin(), absent.end());
    _putenv(absentSetting.c_str());
    qv::device::install(nullptr);
    qv::resetLinkStateForTesting();
    EXPECT_EQ(QVSetUserDefSetting(&on), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(::GetFileAttributesW(absent.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WindowsDeviceTest, APipeCanBeChosenAsThePrinter) {
    PipePrinter printer;
    ASSERT_TRUE(printer.ok());
    // One open only: the pipe has a single instance, which the check's open takes.
    const std::u16string wide(printer.path().begin(), printer.path().end());
    EXPECT_EQ(QVSelectPrinterPath(wide.c_str()), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(qv::linkState().devicePathString(), printer.path());
    EXPECT_TRUE(qv::linkState().versionCheckPending);
}

TEST(WindowsInterfacePath, VendorAndProductMatchInOneCaseOnly) {
    using qv::device::isPrinterInterfacePath;
    const wchar_t* guid = L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    EXPECT_TRUE(
        isPrinterInterfacePath(std::wstring(L"\\\\?\\usb#vid_0fe6&pid_811e#5&1a2b&0&2") + guid));
    EXPECT_TRUE(
        isPrinterInterfacePath(std::wstring(L"\\\\?\\USB#VID_0FE6&PID_811E#5&1A2B&0&2") + guid));
    EXPECT_FALSE(
        isPrinterInterfacePath(std::wstring(L"\\\\?\\usb#VID_0FE6&pid_811e#5&1a2b&0&2") + guid));
    EXPECT_FALSE(
        isPrinterInterfacePath(std::wstring(L"\\\\?\\usb#vid_0fe6&pid_811f#5&1a2b&0&2") + guid));
    EXPECT_FALSE(
        isPrinterInterfacePath(std::wstring(L"\\\\?\\usb#vid_0fe7&pid_811e#5&1a2b&0&2") + guid));
}

}  // namespace

// Another program's exchange (its claim on the printer, here held by another thread) holds this
// one off for the bounded wait, then the read fails as an open failure, ERROR_BUSY; the claim
// let go during the wait is taken at once.
TEST_F(WindowsDeviceTest, PrinterClaimedElsewhereIsWaitedForThenRefusedAsBusy) {
    PipePrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE held = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE letGo = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        HANDLE claim = ::CreateMutexW(nullptr, TRUE, qv::device::claimName(printer.path()).c_str());
        ::SetEvent(held);
        ::WaitForSingleObject(letGo, 10000);
        ::ReleaseMutex(claim);
        ::CloseHandle(claim);
    });
    ASSERT_EQ(::WaitForSingleObject(held, 5000), WAIT_OBJECT_0);
    std::size_t received = 0;
    const auto start = steady_clock::now();
    const auto status = device->read(printer.path(), reply, qv::kReadWait, received);
    const DWORD error = ::GetLastError();
    const auto elapsed = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    EXPECT_EQ(status, qv::device::ReadStatus::openFailed);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BUSY));
    EXPECT_GE(elapsed.count(), qv::device::kBusyWait.count() - 20);
    EXPECT_LT(elapsed.count(), qv::device::kBusyWait.count() + 1000);
    device->release();

    const std::string answer("\x1F\x1B\x1A\x00\x01\x01", 6);
    printer.replyAfter(milliseconds(0), answer);
    std::thread release([&] {
        std::this_thread::sleep_for(milliseconds(300));
        ::SetEvent(letGo);
    });
    const auto second = steady_clock::now();
    EXPECT_EQ(device->read(printer.path(), reply, qv::kReadWait, received),
              qv::device::ReadStatus::ok);
    const auto waited = std::chrono::duration_cast<milliseconds>(steady_clock::now() - second);
    EXPECT_GE(waited.count(), 250);
    EXPECT_LT(waited.count(), 2000);
    release.join();
    other.join();
    device->release();
    ::CloseHandle(held);
    ::CloseHandle(letGo);
}

// The name is one per printer, whatever case its path is written in, and a valid object name.
TEST(WindowsPrinterClaim, OneNamePerPrinterInAnyCase) {
    const std::wstring upper = qv::device::claimName("\\\\?\\USB#VID_0FE6&PID_811E#A1#{guid}");
    EXPECT_EQ(upper, qv::device::claimName("\\\\?\\usb#vid_0fe6&pid_811e#a1#{GUID}"));
    EXPECT_NE(upper, qv::device::claimName("\\\\?\\USB#VID_0FE6&PID_811E#A2#{guid}"));
    EXPECT_EQ(upper.rfind(L"Global\\", 0), 0u);
    EXPECT_EQ(upper.find(L'\\', 7), std::wstring::npos);
}
