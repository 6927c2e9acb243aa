// What every dialog class repeats, written once: dispatching its own message map, the close
// handler of IDOK and IDCANCEL, and setting control texts from a table of message ids. Backend
// neutral: it only uses DialogBase.
#pragma once

#include <span>

#include "ui/dialog.h"

namespace ui {

// A control and the message id its text is looked up by.
struct ItemText {
    int id;
    const char* messageId;
};

// Base of a dialog class T, which declares IDD (its template id) and kMessageMap (a
// std::array<MessageEntry<T>, N>), and names DialogImpl<T> a friend when the map is private.
template <class T>
class DialogImpl : public DialogBase {
  public:
    DialogImpl() : DialogBase(T::IDD) {}

  protected:
    bool processWindowMessage(const Message& message, LRESULT& result) override {
        return dispatchMessageMap<T>(static_cast<T&>(*this), T::kMessageMap, message, result);
    }

    // Ends a modal run with the command's id (1 for IDOK, 2 for IDCANCEL).
    LRESULT onCloseCmd(const Message& message) {
        endDialog(message.id);
        return 0;
    }

    // Sets each control's text, in table order, to lookup(messageId, buffer), all through the
    // one buffer: a lookup that leaves the buffer as it was repeats the text before.
    template <class Lookup>
    void setItemTexts(std::span<const ItemText> texts, Lookup lookup, char16_t* buffer) {
        for (const ItemText& text : texts) {
            setDlgItemText(text.id, lookup(text.messageId, buffer));
        }
    }
};

}  // namespace ui
