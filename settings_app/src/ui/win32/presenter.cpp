// The platform's presenter on Win32: the modal loop of a dialog, MessageBoxW and
// GetOpenFileNameW, each a modal run that a close of the program can end early.
#include "ui/presenter.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "ui/dialog.h"
#include "ui/file_dialog.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commdlg.h>

#include "ui/win32/backend.h"

namespace ui {

using namespace win32;

namespace {

struct EndRequest {
    ::HWND owner;
    WPARAM command;
};

BOOL CALLBACK endIfOwnedBy(::HWND window, ::LPARAM data) {
    const auto* r = reinterpret_cast<const EndRequest*>(data);  // NOLINT(performance-no-int-to-ptr)
    if (hasClass(window, L"#32770") && dialogOf(window) == nullptr &&
        GetWindow(window, GW_OWNER) == r->owner && IsWindowEnabled(window) != FALSE) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(r->command, BN_CLICKED), 0);
    }
    return TRUE;
}

// Ends the platform's own modal windows (a message box, the open-file dialog) over owner: they
// run their own loops, which only a command to the window ends.
void endPlatformModals(::HWND owner, WPARAM command) {
    EndRequest request{owner, command};
    EnumThreadWindows(GetCurrentThreadId(), endIfOwnedBy, reinterpret_cast<::LPARAM>(&request));
}

// comdlg32 is loaded on the first open-file dialog, not at start: importing it makes the
// loader bring in the shell and its dependencies before the main dialog can show. A library or
// entry point that cannot be found fails as a cancelled dialog does. Only the system folder is
// searched, so no comdlg32.dll beside the program is ever taken instead.
using GetOpenFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);

GetOpenFileNameFn openFileNameEntry() {
    static const GetOpenFileNameFn entry = [] {
        HMODULE library = LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (library == nullptr) {
            return GetOpenFileNameFn{};
        }
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
        return reinterpret_cast<GetOpenFileNameFn>(
            reinterpret_cast<void*>(GetProcAddress(library, "GetOpenFileNameW")));
    }();
    return entry;
}

// The platform's modal windows open now: the top-level owner each has, and the window the
// program asked to own it.
std::vector<std::pair<::HWND, ::HWND>>& askedOwners() {
    static std::vector<std::pair<::HWND, ::HWND>> owners;
    return owners;
}

class AskedOwner {
  public:
    AskedOwner(::HWND root, ::HWND asked) { askedOwners().emplace_back(root, asked); }
    ~AskedOwner() { askedOwners().pop_back(); }
    AskedOwner(const AskedOwner&) = delete;
    AskedOwner& operator=(const AskedOwner&) = delete;
};

std::wstring toWide(std::u16string_view text) {
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

class Win32Presenter final : public Presenter {
  public:
    int messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                   UINT type) override {
        if (terminationRequested()) {
            return IDOK;
        }
        // Modal to the owner's top-level window, as the dialog manager makes it.
        ::HWND root = topLevelOf(native(owner));
        const std::wstring body = toWide(text);
        const std::wstring title = toWide(caption);
        const ModalScope scope([root] { endPlatformModals(root, IDOK); });
        const AskedOwner asked(root, native(owner));
        MessageBoxW(root, body.c_str(), title.c_str(), type);
        return IDOK;
    }

    std::optional<std::u16string> openFile(const OpenFileRequest& request) override {
        if (terminationRequested()) {
            return std::nullopt;
        }
        const GetOpenFileNameFn getOpenFileName = openFileNameEntry();
        if (getOpenFileName == nullptr) {
            return std::nullopt;
        }
        // "name\0pattern\0" for each filter, and a final terminator.
        std::wstring filter;
        for (const FileFilter& f : request.filters) {
            filter += toWide(f.name);
            filter.push_back(L'\0');
            filter += toWide(f.pattern);
            filter.push_back(L'\0');
        }
        filter.push_back(L'\0');
        const std::wstring defaultExt = toWide(request.defaultExt);
        std::array<wchar_t, FileDialog::kPathUnits> path{};
        const std::size_t n = std::min(request.initialName.size(), path.size() - 1);
        std::copy_n(request.initialName.begin(), n, path.begin());

        ::HWND root = topLevelOf(native(request.owner));
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = root;
        ofn.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.Flags = request.flags | OFN_EXPLORER;
        ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
        BOOL chosen = FALSE;
        {
            const ModalScope scope([root] { endPlatformModals(root, IDCANCEL); });
            const AskedOwner asked(root, native(request.owner));
            chosen = getOpenFileName(&ofn);
        }
        if (chosen == FALSE) {
            return std::nullopt;
        }
        path.back() = L'\0';
        return std::u16string(reinterpret_cast<const char16_t*>(path.data()));
    }

    void runModal(DialogBase& dialog) override {
        ::HWND window = native(dialog.hwnd());
        const auto running = [window] {
            const DialogState* state = dialogState(window);
            return state != nullptr && !state->ended;
        };
        if (!running()) {
            return;
        }
        const ModalScope scope([&dialog] { dialog.endDialog(IDCANCEL); });
        ::MSG msg{};
        while (running()) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == -1) {
                break;
            }
            if (got == 0) {
                // The quit belongs to the main loop: passed on once this run has ended.
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            ui::MSG m = toLayer(msg);
            if (!isDialogMessage(dialog.hwnd(), m)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
};

}  // namespace

namespace win32 {
::HWND askedOwner(::HWND root) {
    const auto& owners = askedOwners();
    for (auto it = owners.rbegin(); it != owners.rend(); ++it) {
        if (it->first == root && it->second != nullptr) {
            return it->second;
        }
    }
    return root;
}
}  // namespace win32

Presenter& platformPresenter() {
    static Win32Presenter presenter;
    return presenter;
}

}  // namespace ui
