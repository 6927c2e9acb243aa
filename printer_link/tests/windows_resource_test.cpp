// The DLL itself carries the head-test job as resource BIN 104 in Chinese (Simplified, 2052), byte
// for byte the job the self test sends.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "head_test_job.h"

namespace {

// Closes the module on every way out.
struct LoadedModule {
    HMODULE module;
    ~LoadedModule() {
        if (module != nullptr) {
            ::FreeLibrary(module);
        }
    }
};

TEST(DllResource, HeadTestJobIsBin104InChineseSimplified) {
    // The DLL lies beside this program.
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    ASSERT_GT(length, 0u);
    path.resize(length);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"QVSettingToolDll.dll";
    const LoadedModule dll{::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)};
    ASSERT_NE(dll.module, nullptr);

    HRSRC found = ::FindResourceExW(dll.module, L"BIN", MAKEINTRESOURCEW(104),
                                    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    ASSERT_NE(found, nullptr);
    const DWORD size = ::SizeofResource(dll.module, found);
    const void* data = ::LockResource(::LoadResource(dll.module, found));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, 74977u);
    const auto job = qv::selftest::headTestJob();
    ASSERT_EQ(job.size(), size);
    EXPECT_EQ(std::memcmp(data, job.data(), size), 0);
}

}  // namespace
