// What every settings and maintenance button does after its checks: send the command, read the
// printer's acknowledgement, and say how it went in one box owned by the button's page.
#pragma once

#include <cstdint>
#include <functional>

#include "ui/win_defs.h"

namespace dialogs {

// Calls send (one command export). When it fails, shows the library's text for the last error
// in an "ERROR" box and reads no acknowledgement; otherwise shows the catalog text of
// successId ("INFO") or failId ("ERROR") as GetSettingResult judges the reply. The busy cursor
// shows while the printer is being talked to, never while the box is up.
void runSettingCommand(ui::HWND owner, const std::function<int32_t()>& send, const char* successId,
                       const char* failId);

// The library's text for its last error code, in an "ERROR" box.
void showLibraryError(ui::HWND owner);

// The one refusal of every number the operator typed or list left without a choice.
void showInputRefusal(ui::HWND owner);

}  // namespace dialogs
