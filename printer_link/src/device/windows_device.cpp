// The printer on Windows: found among the present USB device interfaces through SetupAPI and
// reached with CreateFileW on its interface path. Each write and each read opens its own handle;
// a named mutex keeps the printer one program's for an export's whole exchange.
#include <windows.h>

#include <algorithm>

#include <setupapi.h>

// initguid.h makes usbiodef.h define the interface class GUID here rather than only declare it.
#include <initguid.h>

#include <usbiodef.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/device.h"
#include "device/windows_device.h"
#include "link_state.h"

namespace qv::device {
namespace {

// Closes a handle on every way out.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (ok()) {
            ::CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

  private:
    HANDLE handle_;
};

// Releases the device-information set on every way out of discovery.
class DeviceInfoSet {
  public:
    explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
    ~DeviceInfoSet() {
        if (set_ != INVALID_HANDLE_VALUE) {
            ::SetupDiDestroyDeviceInfoList(set_);
        }
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    HDEVINFO get() const { return set_; }

  private:
    HDEVINFO set_;
};

// Device paths are ASCII in practice; the link state keeps them as UTF-8.
std::string toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::wstring toWide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          out.data(), size);
    return out;
}

// Opens the device as every write and read does; an empty path never opens. Only an existing
// object opens (nothing is created where a device was expected), and a disk file is refused
// before a byte is written or read: only devices and pipes (as the tests' printers) pass.
HANDLE openDevice(const std::string& path, DWORD extraFlags) {
    const std::wstring wide = toWide(path);
    if (wide.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = ::CreateFileW(
        wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | extraFlags, nullptr);
    if (handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

// Waits for an overlapped operation; one still pending after the wait is cancelled and completed
// before its OVERLAPPED goes out of scope. True with the count when it finished with data or at
// once.
bool finishOverlapped(HANDLE handle, OVERLAPPED& overlapped, std::chrono::milliseconds wait,
                      DWORD& transferred) {
    ::WaitForSingleObject(handle, static_cast<DWORD>(wait.count()));
    if (::GetOverlappedResult(handle, &overlapped, &transferred, FALSE)) {
        return true;
    }
    if (::GetLastError() == ERROR_IO_INCOMPLETE) {
        ::CancelIoEx(handle, &overlapped);
        DWORD ignored = 0;
        ::GetOverlappedResult(handle, &overlapped, &ignored, TRUE);
    }
    transferred = 0;
    return false;
}

// The discovery of FindPrinterPath: SetupAPI over the present USB device interfaces; the paths
// of up to limit printers, in enumeration order.
std::vector<std::string> discover(std::size_t limit) {
    std::vector<std::string> found;
    // The call's own error is read afterwards: nothing earlier may be mistaken for it.
    ::SetLastError(ERROR_SUCCESS);
    DeviceInfoSet set(::SetupDiGetClassDevsW(&GUID_DEVINTERFACE_USB_DEVICE, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    const DWORD classError = ::GetLastError();
    if (set.get() == INVALID_HANDLE_VALUE || classError == ERROR_INVALID_PARAMETER ||
        classError == ERROR_INVALID_FLAGS) {
        return found;
    }
    for (DWORD index = 0; found.size() < limit; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!::SetupDiEnumDeviceInterfaces(set.get(), nullptr, &GUID_DEVINTERFACE_USB_DEVICE, index,
                                           &interfaceData)) {
            return found;
        }
        DWORD required = 0;
        if (!::SetupDiGetDeviceInterfaceDetailW(set.get(), &interfaceData, nullptr, 0, &required,
                                                nullptr) &&
            ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return found;
        }
        // A detail that cannot hold its own header is skipped, as is one we get no memory for.
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
            continue;
        }
        std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[required]());
        if (!buffer) {
            continue;
        }
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA infoData{};
        infoData.cbSize = sizeof infoData;
        ::SetupDiGetDeviceInterfaceDetailW(set.get(), &interfaceData, detail, required, nullptr,
                                           &infoData);
        const std::size_t pathBytes =
            required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
        const std::wstring_view path(detail->DevicePath,
                                     wcsnlen(detail->DevicePath, pathBytes / sizeof(wchar_t)));
        // A path the link state cannot hold with its terminator is skipped.
        if (!isPrinterInterfacePath(path) || path.size() >= kDevicePathUnits) {
            continue;
        }
        found.push_back(toUtf8(path));
    }
    return found;
}

// More printers than this on one machine is not a label station; the list stays bounded.
constexpr std::size_t kMaxPrinters = 64;

// The name of the mutex that makes a printer one program's at a time: the same for every
// process and session on the machine, whatever case the path is written in. Kernel object names
// take no backslash after the namespace and are bounded in length, so the path is hashed.
std::wstring claimName(const std::string& path) {
    uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (const char c : path) {
        const auto lower = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hash = (hash ^ lower) * 1099511628211ULL;
    }
    std::wstring name = L"Global\\QV410Printer-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += L"0123456789abcdef"[(hash >> shift) & 0xF];
    }
    return name;
}

class WindowsDevice : public Device {
  public:
    ~WindowsDevice() override { release(); }

    std::optional<std::string> find() override {
        std::vector<std::string> all = discover(1);
        return all.empty() ? std::nullopt : std::optional<std::string>(std::move(all.front()));
    }

    std::vector<std::string> findAll() override { return discover(kMaxPrinters); }

    bool canOpen(const std::string& path) override {
        const Handle device(openDevice(path, 0));
        return device.ok();
    }

    WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                      std::chrono::milliseconds wait) override {
        if (!claim(path)) {
            return WriteStatus::openFailed;
        }
        return writeWithin(path, bytes, wait);
    }

    ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                    std::chrono::milliseconds wait, std::size_t& received) override {
        received = 0;
        if (!claim(path)) {
            return ReadStatus::openFailed;
        }
        Handle device(openDevice(path, FILE_FLAG_OVERLAPPED));
        if (!device.ok()) {
            return ReadStatus::openFailed;
        }
        OVERLAPPED overlapped{};
        DWORD count = 0;
        if (::ReadFile(device.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                       &overlapped)) {
            // Completed at once: a success whatever the count.
            received = count;
            return ReadStatus::ok;
        }
        if (::GetLastError() != ERROR_IO_PENDING) {
            return ReadStatus::failed;
        }
        if (!finishOverlapped(device.get(), overlapped, wait, count) || count == 0) {
            return ReadStatus::failed;
        }
        received = count;
        return ReadStatus::ok;
    }

    void release() noexcept override {
        if (claim_ != nullptr) {
            ::ReleaseMutex(claim_);
            ::CloseHandle(claim_);
            claim_ = nullptr;
        }
        claimedPath_.clear();
        refusedBusy_ = false;
    }

  private:
    // Handles stay per write and read; the printer is this program's from the exchange's first
    // write or read to its release. Another program's claim is waited for, bounded; an abandoned
    // one (its program ended) passes to us.
    bool claim(const std::string& path) {
        if (claim_ != nullptr && claimedPath_ == path) {
            return true;
        }
        if (refusedBusy_ && claimedPath_ == path) {
            ::SetLastError(ERROR_BUSY);  // waited once already: the later steps fail at once
            return false;
        }
        release();
        HANDLE mutex = ::CreateMutexW(nullptr, FALSE, claimName(path).c_str());
        if (mutex == nullptr) {
            return true;  // no claim to be had: the printer is shared as before
        }
        const DWORD waited = ::WaitForSingleObject(mutex, static_cast<DWORD>(kBusyWait.count()));
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            ::CloseHandle(mutex);
            refusedBusy_ = true;
            claimedPath_ = path;
            ::SetLastError(ERROR_BUSY);
            return false;
        }
        claim_ = mutex;
        claimedPath_ = path;
        return true;
    }

    HANDLE claim_ = nullptr;
    std::string claimedPath_;
    bool refusedBusy_ = false;
};

}  // namespace

bool isPrinterInterfacePath(std::wstring_view path) {
    const auto has = [path](std::wstring_view part) {
        return path.find(part) != std::wstring_view::npos;
    };
    // Both in upper case or both in lower case; a path that mixes them is another device's.
    return (has(L"PID_811E") && has(L"VID_0FE6")) || (has(L"pid_811e") && has(L"vid_0fe6"));
}

WriteStatus writeWithin(const std::string& path, std::span<const uint8_t> bytes,
                        std::chrono::milliseconds wait) {
    Handle device(openDevice(path, FILE_FLAG_OVERLAPPED));
    if (!device.ok()) {
        return WriteStatus::openFailed;
    }
    // In pieces, each with its own wait: a printer that takes data slowly but steadily (a large
    // firmware image) gets through, one that takes nothing for the whole wait does not.
    constexpr std::size_t kPiece = 64 * 1024;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto piece = static_cast<DWORD>(std::min(kPiece, bytes.size() - done));
        OVERLAPPED overlapped{};
        DWORD written = 0;
        if (!::WriteFile(device.get(), bytes.data() + done, piece, &written, &overlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING ||
                !finishOverlapped(device.get(), overlapped, wait, written)) {
                return WriteStatus::writeFailed;
            }
        }
        if (written == 0) {
            return WriteStatus::writeFailed;
        }
        done += written;
    }
    return WriteStatus::ok;
}

std::shared_ptr<Device> makePlatformDevice() {
    return std::make_shared<WindowsDevice>();
}

}  // namespace qv::device
