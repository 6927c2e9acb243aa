// What every backend's presenter shares: which presenter is in force, the message box and the
// open-file dialog's bounded path buffer. Each backend supplies platformPresenter().
#include "ui/presenter.h"

#include <algorithm>

#include "ui/dialog.h"
#include "ui/file_dialog.h"

namespace ui {

namespace {

Presenter* gPresenter = nullptr;

}  // namespace

Presenter& presenter() {
    return gPresenter != nullptr ? *gPresenter : platformPresenter();
}

void setPresenter(Presenter* p) {
    gPresenter = p;
}

int messageBox(HWND owner, const char16_t* text, const char16_t* caption, UINT type) {
    return presenter().messageBox(owner, text != nullptr ? text : u"",
                                  caption != nullptr ? caption : u"", type);
}

FileDialog::FileDialog(bool /*openFileDialog*/, const char16_t* defaultExt,
                       const char16_t* fileName, uint32_t flags,
                       std::span<const FileFilter> filters, HWND parent)
    : defaultExt_(defaultExt != nullptr ? defaultExt : u""),
      flags_(flags),
      filters_(filters),
      parent_(parent) {
    if (fileName != nullptr) {
        std::u16string_view name(fileName);
        const std::size_t n = std::min(name.size(), fileName_.size() - 1);
        std::copy_n(name.begin(), n, fileName_.begin());
    }
}

int FileDialog::doModal(HWND parent) {
    OpenFileRequest request;
    request.owner = parent != nullptr ? parent : parent_;
    request.filters = filters_;
    request.flags = flags_;
    request.defaultExt = defaultExt_;
    request.initialName = fileName_.data();
    const std::optional<std::u16string> chosen = presenter().openFile(request);
    // A path that does not fit the buffer fails as GetOpenFileNameW does.
    if (!chosen.has_value() || chosen->empty() || chosen->size() >= fileName_.size()) {
        return IDCANCEL;
    }
    fileName_.fill(0);
    std::copy(chosen->begin(), chosen->end(), fileName_.begin());
    return IDOK;
}

}  // namespace ui
