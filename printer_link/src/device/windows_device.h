// Pieces of the Windows device layer that its tests reach directly.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/device.h"

namespace qv::device {

// Whether a USB device-interface path is the printer's: it names vendor 0FE6 and product 811E,
// both in upper case or both in lower case.
bool isPrinterInterfacePath(std::wstring_view path);

// The name of the machine-wide mutex that makes the printer at path one program's at a time.
std::wstring claimName(const std::string& path);

// One overlapped WriteFile of every byte that must finish within wait; a write still pending then
// is cancelled and fails. For a transport that must not hang on a printer that stops taking data.
WriteStatus writeWithin(const std::string& path, std::span<const uint8_t> bytes,
                        std::chrono::milliseconds wait);

}  // namespace qv::device
