// The firmware file on Windows: the C runtime's wide-path open in binary mode (text mode would
// turn CR LF into LF and stop at ^Z) and 64-bit positions (long is 32 bits here).
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "firmware_file.h"

namespace qv::firmware {

struct FirmwareFile::Impl {
    std::FILE* file = nullptr;
};

FirmwareFile::FirmwareFile() : impl_(std::make_unique<Impl>()) {}

FirmwareFile::~FirmwareFile() {
    close();
}

bool FirmwareFile::open(std::u16string_view path) {
    close();
    // wchar_t is UTF-16 here; the name needs its terminator.
    const std::wstring name(path.begin(), path.end());
    impl_->file = ::_wfopen(name.c_str(), L"rb");
    return impl_->file != nullptr;
}

std::optional<uint64_t> FirmwareFile::size() {
    if (::_fseeki64(impl_->file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long long end = ::_ftelli64(impl_->file);
    if (end < 0 || ::_fseeki64(impl_->file, 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end);
}

std::size_t FirmwareFile::read(uint8_t* destination, std::size_t size) {
    // One block of size bytes: it arrives whole or not at all.
    return std::fread(destination, size, 1, impl_->file) == 1 ? size : 0;
}

void FirmwareFile::close() {
    if (impl_->file != nullptr) {
        std::fclose(impl_->file);
        impl_->file = nullptr;
    }
}

}  // namespace qv::firmware
