// Templates that tests add, asked before the program's own, latest first.
#include <vector>

#include "ui/seams.h"
#include "ui/template_registry.h"
#include "ui/testing.h"

namespace ui::testing {

namespace {

std::vector<const DialogTemplate*>& addedTemplates() {
    static std::vector<const DialogTemplate*> added;
    return added;
}

}  // namespace

const DialogTemplate* detail::findAddedTemplate(int id) {
    for (const DialogTemplate* t : addedTemplates()) {
        if (t->id == id) {
            return t;
        }
    }
    return nullptr;
}

void addDialogTemplate(const DialogTemplate& dialogTemplate) {
    addedTemplates().insert(addedTemplates().begin(), &dialogTemplate);
    detail::templateAdded(dialogTemplate);
    setTemplateSource(&detail::findAddedTemplate);
}

}  // namespace ui::testing
