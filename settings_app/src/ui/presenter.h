// How modal runs, message boxes and the open-file dialog reach the user. The platform's own
// presenter shows real windows; tests and tools put another in its place, so the dialogs run
// the same code either way.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/file_dialog.h"
#include "ui/win_defs.h"

namespace ui {

class DialogBase;

struct OpenFileRequest {
    HWND owner = nullptr;
    std::span<const FileFilter> filters;
    uint32_t flags = 0;
    std::u16string_view defaultExt;
    std::u16string_view initialName;
};

class Presenter {
  public:
    virtual ~Presenter() = default;
    // Shows the box and returns once the user closed it (IDOK).
    virtual int messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                           UINT type) = 0;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<std::u16string> openFile(const OpenFileRequest& request) = 0;
    // Runs a shown modal dialog until it has ended.
    virtual void runModal(DialogBase& dialog) = 0;
};

// The presenter in force, and the platform's own.
Presenter& presenter();
Presenter& platformPresenter();
// nullptr returns to the platform's presenter.
void setPresenter(Presenter* presenter);

}  // namespace ui
