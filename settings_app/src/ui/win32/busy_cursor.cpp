// The busy cursor on Win32: the wait cursor while any BusyCursor exists.
#include "ui/dialog.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui {

namespace {

int gBusyCursors = 0;

}  // namespace

BusyCursor::BusyCursor() {
    ++gBusyCursors;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

BusyCursor::~BusyCursor() {
    --gBusyCursors;
    if (gBusyCursors == 0) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
}

namespace win32 {
bool busyCursorShown() {
    return gBusyCursors > 0;
}
}  // namespace win32

}  // namespace ui
