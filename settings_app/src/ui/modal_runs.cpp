// Modal runs and the close asked for from outside while they are in progress: the same
// bookkeeping on every backend, which only supplies the way back into its event loop.
#include <algorithm>
#include <vector>

#include "ui/backend_shared.h"

namespace ui {

namespace {

std::vector<ModalScope*>& modalRuns() {
    static std::vector<ModalScope*> runs;
    return runs;
}

bool gTerminationRequested = false;
bool gTerminationPending = false;
void (*gTerminate)(void*) = nullptr;
void* gTerminateContext = nullptr;

// The close asked for, run once the loop is back; what opens until then (nothing, in the
// program) returns at once.
void deliverTermination() {
    if (gTerminate != nullptr) {
        gTerminate(gTerminateContext);
    }
    // Delivered: what opens from here on opens again.
    gTerminationRequested = false;
}

}  // namespace

ModalScope::ModalScope(std::function<void()> end) : end_(std::move(end)) {
    modalRuns().push_back(this);
}

ModalScope::~ModalScope() {
    auto& runs = modalRuns();
    runs.erase(std::remove(runs.begin(), runs.end(), this), runs.end());
    if (!runs.empty()) {
        return;
    }
    afterLastModalRun();
    if (gTerminationPending) {
        gTerminationPending = false;
        deliverWhenBackInLoop(&deliverTermination);
    }
}

void ModalScope::endRun() {
    if (end_) {
        end_();
    }
}

int modalDepth() {
    return static_cast<int>(modalRuns().size());
}

bool terminationRequested() {
    return gTerminationRequested;
}

void requestTermination(void (*terminate)(void*), void* context) {
    gTerminate = terminate;
    gTerminateContext = context;
    if (modalDepth() == 0) {
        if (terminate != nullptr) {
            terminate(context);
        }
        return;
    }
    // Every modal run ends first, innermost first; the last one to unwind asks for the rest.
    gTerminationRequested = true;
    gTerminationPending = true;
    const std::vector<ModalScope*> runs(modalRuns().rbegin(), modalRuns().rend());
    for (ModalScope* run : runs) {
        run->endRun();
    }
}

}  // namespace ui
