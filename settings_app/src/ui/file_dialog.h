// The open-file dialog (GetOpenFileNameW through a CFileDialog-like class).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "ui/win_defs.h"

namespace ui {

struct FileFilter {
    std::u16string_view name;     // "Firmware (*.bin)"
    std::u16string_view pattern;  // "*.bin"; several patterns are separated by ';'
};

class FileDialog {
  public:
    static constexpr std::size_t kPathUnits = 260;

    // Open mode only. defaultExt and fileName may be null; filters are copied by reference and
    // must outlive the dialog.
    FileDialog(bool openFileDialog, const char16_t* defaultExt, const char16_t* fileName,
               uint32_t flags, std::span<const FileFilter> filters, HWND parent = nullptr);

    // Runs the dialog modally over parent (or the parent given at construction). IDOK with the
    // chosen path in fileName(); IDCANCEL when the user cancelled, the dialog failed or the
    // path does not fit the buffer.
    int doModal(HWND parent = nullptr);

    const char16_t* fileName() const { return fileName_.data(); }
    uint32_t flags() const { return flags_; }
    std::span<const FileFilter> filters() const { return filters_; }

  private:
    std::array<char16_t, kPathUnits> fileName_{};
    std::u16string_view defaultExt_;
    uint32_t flags_ = 0;
    std::span<const FileFilter> filters_;
    HWND parent_ = nullptr;
};

}  // namespace ui
