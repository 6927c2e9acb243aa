// The firmware file, as the download reads it: opened for reading in binary mode, sized by
// seeking with 64-bit offsets, read as one block. One implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace qv::firmware {

class FirmwareFile {
  public:
    FirmwareFile();
    ~FirmwareFile();
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;

    // False when the file cannot be opened (absent, no access, a name that does not convert).
    bool open(std::u16string_view path);
    // Seeks to the end and back to the start; nothing when either seek or the position fails.
    std::optional<uint64_t> size();
    // Reads up to size bytes; returns how many arrived.
    std::size_t read(uint8_t* destination, std::size_t size);
    void close();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv::firmware
