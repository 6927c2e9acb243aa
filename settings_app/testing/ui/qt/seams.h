// What the Qt seam files share.
#pragma once

#include <QString>
#include <string>

namespace ui::testing {

inline std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

}  // namespace ui::testing
