// What the backend-neutral seam files and each backend's seams share; never seen by tests.
#pragma once

#include "ui/dialog.h"
#include "ui/dialog_template.h"

namespace ui::testing::detail {

// The template a test added for id, the latest first; nullptr when none was.
const DialogTemplate* findAddedTemplate(int id);

// Supplied by each backend. A template has just been added (whatever was made of an earlier one
// with its id is stale now).
void templateAdded(const DialogTemplate& dialogTemplate);
// A modal hook has returned: a dialog it left running is closed as by its close box (command 2).
void closeIfStillRunning(DialogBase& dialog);

}  // namespace ui::testing::detail
