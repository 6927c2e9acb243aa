// The window operations that forward to one window helper each, whatever the backend.
#include "ui/backend_shared.h"
#include "ui/controls.h"

namespace ui {

bool WindowWrapper::showWindow(int showCommand) const {
    return ui::showWindow(window_, showCommand);
}

bool WindowWrapper::moveWindow(int x, int y, int cx, int cy, bool repaint) const {
    return ui::moveWindow(window_, x, y, cx, cy, repaint);
}

bool WindowWrapper::enableWindow(bool enable) const {
    return ui::enableWindow(window_, enable);
}

bool WindowWrapper::isWindowEnabled() const {
    return ui::isWindowEnabled(window_);
}

bool WindowWrapper::isWindowVisible() const {
    return ui::isWindowVisible(window_);
}

bool WindowWrapper::getClientRect(RECT& rect) const {
    return ui::getClientRect(window_, rect);
}

bool DialogBase::showWindow(int showCommand) {
    return ui::showWindow(hwnd_, showCommand);
}

int DialogBase::getDlgItemText(int id, char16_t* buffer, int maxCount) const {
    return copyText(getDlgItemText(id), buffer, maxCount);
}

}  // namespace ui
