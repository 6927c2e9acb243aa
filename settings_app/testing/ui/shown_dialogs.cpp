// The templates of the dialogs shown so far, in order, as the backends report them.
#include <vector>

#include "ui/template_registry.h"
#include "ui/testing.h"

namespace ui::testing {

namespace {

std::vector<int>& shownLog() {
    static std::vector<int> log;
    return log;
}

void recordShown(int templateId) {
    shownLog().push_back(templateId);
}

// The log starts with the process, before any test has asked for it; asking makes sure it is
// still the one listening.
[[maybe_unused]] const bool kListening = [] {
    setDialogShownListener(&recordShown);
    return true;
}();

}  // namespace

const std::vector<int>& shownDialogs() {
    setDialogShownListener(&recordShown);
    return shownLog();
}

void clearShownDialogs() {
    setDialogShownListener(&recordShown);
    shownLog().clear();
}

}  // namespace ui::testing
