// Where dialog templates are found, and who hears that a dialog was shown. Backend neutral:
// findDialogTemplate (ui/dialog_template.h) is defined with these for every backend.
#pragma once

#include "ui/dialog_template.h"

namespace ui {

// Asked before the program's own templates; nullptr from it leaves the id to them. Only tests,
// which build templates of their own, set one.
using TemplateSource = const DialogTemplate* (*)(int id);
void setTemplateSource(TemplateSource source);

// Called with a dialog's template id each time a backend shows its window; nullptr for none.
using DialogShownListener = void (*)(int templateId);
void setDialogShownListener(DialogShownListener listener);

// For the backends: a dialog window created from templateId has just been shown.
void dialogShown(int templateId);

}  // namespace ui
