#include "dialogs/setting_command.h"

#include "QVSettingToolDll.h"
#include "dialogs/text_buffer.h"
#include "ui/dialog.h"

namespace dialogs {

void runSettingCommand(ui::HWND owner, const std::function<int32_t()>& send, const char* successId,
                       const char* failId) {
    bool sent = false;
    bool acknowledged = false;
    {
        const ui::BusyCursor busy;
        sent = send() != 0;
        // A command that never left has nothing to acknowledge.
        acknowledged = sent && GetSettingResult() != 0;
    }
    if (!sent) {
        showLibraryError(owner);
        return;
    }
    TextBuffer text{};
    if (acknowledged) {
        ui::messageBox(owner, BaseGetPOText(successId, text.data()), u"INFO", ui::MB_OK);
    } else {
        ui::messageBox(owner, BaseGetPOText(failId, text.data()), u"ERROR", ui::MB_OK);
    }
}

void showLibraryError(ui::HWND owner) {
    TextBuffer text{};
    BaseGetQVErrorString(BaseGetQVError(), text.data());
    ui::messageBox(owner, text.data(), u"ERROR", ui::MB_OK);
}

void showInputRefusal(ui::HWND owner) {
    TextBuffer text{};
    ui::messageBox(owner, BaseGetPOText("PO_GSTR_PLEASE_INPUT_NUMBER", text.data()), u"ERROR",
                   ui::MB_OK);
}

}  // namespace dialogs
