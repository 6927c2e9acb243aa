// The presenter the hooks put in place: it answers what a hook is set for and leaves the rest to
// the platform's presenter.
#include <utility>

#include "ui/presenter.h"
#include "ui/seams.h"
#include "ui/testing.h"

namespace ui::testing {

namespace {

class HookPresenter final : public Presenter {
  public:
    std::function<void(const MessageBoxCall&)> box;
    std::function<void(DialogBase&)> modal;
    std::function<std::optional<std::u16string>(const OpenFileCall&)> file;

    int messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                   UINT type) override {
        if (!box) {
            return platformPresenter().messageBox(owner, text, caption, type);
        }
        box(MessageBoxCall{owner, std::u16string(text), std::u16string(caption), type});
        return IDOK;
    }

    std::optional<std::u16string> openFile(const OpenFileRequest& request) override {
        if (!file) {
            return platformPresenter().openFile(request);
        }
        return file(OpenFileCall{
            request.owner, {request.filters.begin(), request.filters.end()}, request.flags});
    }

    void runModal(DialogBase& dialog) override {
        if (!modal) {
            platformPresenter().runModal(dialog);
            return;
        }
        // A copy: the hook may replace itself while it runs.
        const auto hook = modal;
        hook(dialog);
        detail::closeIfStillRunning(dialog);
    }

    void update() { setPresenter(box || modal || file ? this : nullptr); }
};

HookPresenter& hooks() {
    static HookPresenter presenter;
    return presenter;
}

}  // namespace

void setMessageBoxHook(std::function<void(const MessageBoxCall&)> hook) {
    hooks().box = std::move(hook);
    hooks().update();
}

void setModalHook(std::function<void(DialogBase& dialog)> hook) {
    hooks().modal = std::move(hook);
    hooks().update();
}

void setOpenFileHook(std::function<std::optional<std::u16string>(const OpenFileCall&)> hook) {
    hooks().file = std::move(hook);
    hooks().update();
}

}  // namespace ui::testing
