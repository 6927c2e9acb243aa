// The head-test job on Windows: resource "BIN" 104 of the module that holds this code (the DLL,
// or a test program built with the same resource), generated from the same description as the
// data the other platforms compile in.
#include <windows.h>

#include "head_test_job.h"

namespace qv::selftest {

std::span<const uint8_t> headTestJob() {
    constexpr WORD kJobResource = 104;
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&headTestJob), &module)) {
        return {};
    }
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(kJobResource), L"BIN");
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = ::LoadResource(module, found);
    const DWORD size = ::SizeofResource(module, found);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        return {};
    }
    // A resource stays mapped as long as its module: no copy needed.
    return {static_cast<const uint8_t*>(data), size};
}

}  // namespace qv::selftest
