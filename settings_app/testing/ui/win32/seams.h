// What the Win32 seam files share. Included after <windows.h> and ui/win32/backend.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui::testing {

// Writes an RGB picture (three bytes a pixel, top row first) as a PNG file.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace ui::testing
