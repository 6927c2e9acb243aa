#include "ui/template_registry.h"

namespace ui {

namespace {

TemplateSource templateSource = nullptr;
DialogShownListener shownListener = nullptr;

}  // namespace

void setTemplateSource(TemplateSource source) {
    templateSource = source;
}

void setDialogShownListener(DialogShownListener listener) {
    shownListener = listener;
}

void dialogShown(int templateId) {
    if (shownListener != nullptr) {
        shownListener(templateId);
    }
}

const DialogTemplate* findDialogTemplate(int id) {
    if (templateSource != nullptr) {
        if (const DialogTemplate* t = templateSource(id)) {
            return t;
        }
    }
    for (const DialogTemplate* t : programDialogTemplates()) {
        if (t->id == id) {
            return t;
        }
    }
    return nullptr;
}

}  // namespace ui
