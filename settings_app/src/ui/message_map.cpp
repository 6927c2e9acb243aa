#include "ui/dialog.h"

namespace ui {

bool messageMatches(UINT message, int id, int code, const Message& m) {
    if (message != m.message) {
        return false;
    }
    // Only commands and notifications carry a sender and a code to match.
    if (message != WM_COMMAND && message != WM_NOTIFY) {
        return true;
    }
    return (id == kAny || id == m.id) && (code == kAny || code == m.code);
}

}  // namespace ui
