// The text buffers every dialog handler passes to BaseGetPOText and the controls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "QVSettingToolDll.h"

namespace dialogs {

inline constexpr std::size_t kTextUnits = 260;
using TextBuffer = std::array<QVWCHAR, kTextUnits>;

// Appends text after the buffer's terminated content; cuts what does not fit.
void appendText(std::span<QVWCHAR> buffer, std::u16string_view text);

// The "%d" of wsprintfW, followed by suffix, into the buffer.
void formatDecimal(std::span<QVWCHAR> buffer, int value, std::u16string_view suffix = {});

// A printed length in hundredths of a metre as "%.2f (m)" with the user's decimal separator,
// through a 64-byte narrow buffer in the process code page.
void formatPrintedLength(std::span<QVWCHAR> buffer, int32_t hundredths);

// A text of a fixed-size record field, which need not be terminated, as a terminated copy.
template <std::size_t N>
std::array<QVWCHAR, N + 1> terminated(const QVWCHAR (&field)[N]) {
    std::array<QVWCHAR, N + 1> copy{};
    for (std::size_t i = 0; i < N && field[i] != 0; ++i) {
        copy[i] = field[i];
    }
    return copy;
}

}  // namespace dialogs
