// Message decoding and the text copy of the Get*Text calls: the same on every backend, since the
// layer's messages and structures have the platform's numbers and layout.
#include <algorithm>

#include "ui/backend_shared.h"

namespace ui {

Message decode(UINT message, WPARAM wParam, LPARAM lParam) {
    Message m{message, wParam, lParam, 0, 0};
    if (message == WM_COMMAND) {
        m.id = loWord(wParam);
        m.code = hiWord(wParam);
    } else if (message == WM_NOTIFY && lParam != 0) {
        // WM_NOTIFY carries its header's address in lParam.
        const auto* header =
            reinterpret_cast<const NMHDR*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        m.id = static_cast<int>(header->idFrom);
        m.code = header->code;
    }
    return m;
}

int copyText(std::u16string_view text, char16_t* buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    int n = static_cast<int>(
        std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxCount - 1)));
    // Never end on the first half of a surrogate pair.
    if (n > 0 && n < static_cast<int>(text.size()) &&
        text[static_cast<std::size_t>(n) - 1] >= 0xD800 &&
        text[static_cast<std::size_t>(n) - 1] <= 0xDBFF) {
        --n;
    }
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return n;
}

}  // namespace ui
