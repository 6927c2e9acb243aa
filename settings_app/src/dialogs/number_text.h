// Whole numbers as the operator types them into the settings fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace dialogs {

// Decimal digits only, with one leading minus sign (followed by at least one digit) where
// negative values are allowed; no spaces, no plus sign, nothing else. Nothing for any other text.
// A number too large for 32 bits gives the largest (or, negative, the smallest) 32-bit value, so
// that it fails any range check the caller makes.
std::optional<int32_t> parseWholeNumber(std::u16string_view text, bool allowMinus);

}  // namespace dialogs
