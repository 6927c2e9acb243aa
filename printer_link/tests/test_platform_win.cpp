// libintl on Windows takes the language from LC_ALL / LC_MESSAGES / LANG before the thread's
// locale, so the environment decides it. The ANSI code page is fixed when the process starts
// (Wine derives it from the language of the Unix locale: 1252 for English).
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#include "test_platform.h"

namespace qv::testing {

bool useLanguage(const char* language) {
    const std::string setting = std::string("LC_ALL=") + language;
    return _putenv("LANGUAGE=") == 0 && _putenv(setting.c_str()) == 0 && ::GetACP() == 1252;
}

void restoreLocale() {
    _putenv("LC_ALL=");
}

bool useAsciiCodePage() {
    return false;
}

bool codePageHoldsCjk() {
    return false;
}

std::string cafeInProcessCodePage() {
    return "Caf\xE9 ?";  // 1252 has the e with acute accent, not the CJK character
}

std::filesystem::path makeTemporaryDirectory() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("qv-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(dir)) {
            return dir;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

bool makeSparseFile(const std::filesystem::path& path, uint64_t size) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD ignored = 0;
    ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool ok = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    return ok;
}

std::vector<UnusableFile> makeUnusableFiles(const std::filesystem::path& dir) {
    // The C runtime refuses to open a folder at all.
    return {{"a directory cannot be opened", dir, 2}};
}

std::optional<std::string> byteInvalidInProcessCodePage() {
    for (const char candidate : {'\x81', '\x8d', '\x8f', '\x90', '\x9d', '\xff'}) {
        wchar_t out[2];
        if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &candidate, 1, out, 2) == 0) {
            return std::string(1, candidate);
        }
    }
    return std::nullopt;
}

}  // namespace qv::testing
