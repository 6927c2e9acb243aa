// The key filter the application installs: key presses reach the dialogs as WM_KEYDOWN.
#pragma once

#include <QObject>

#include "ui/message_loop.h"

namespace ui {

// Turns key presses into WM_KEYDOWN for the dialog that has the focus: a modal dialog's own run
// handles its keys as the dialog manager's modal loop does; the modeless main dialog gets them
// through the message loop's filters.
class KeyFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The loop whose run() is in progress; nullptr outside one.
MessageLoop* runningMessageLoop();

}  // namespace ui
