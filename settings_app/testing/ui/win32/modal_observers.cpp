// Modal windows as they are shown on Win32: a CBT hook sees each one activated and a timer
// reports it from the loop that runs it, once it is drawn.
#include <algorithm>
#include <functional>
#include <vector>

#include "ui/testing.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

std::function<void(const ShownModal&)>& observer() {
    static std::function<void(const ShownModal&)> f;
    return f;
}

HHOOK gActivateHook = nullptr;
constexpr UINT_PTR kObserveTimer = 0x5156;  // one pending report at a time
std::vector<::HWND> gToReport;

void CALLBACK reportShown(::HWND /*window*/, ::UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    KillTimer(nullptr, timer);
    std::vector<::HWND> windows;
    windows.swap(gToReport);
    for (::HWND w : windows) {
        if (IsWindow(w) == FALSE || IsWindowVisible(w) == FALSE || !observer()) {
            continue;
        }
        ShownModal shown;
        shown.caption = win32::windowText(w);
        shown.owner = layer(GetWindow(w, GW_OWNER));
        if (DialogBase* dialog = dialogOf(w)) {
            shown.templateId = dialog->templateId();
        } else {
            // A message box's text is its static control 0xFFFF; its owner the window the
            // program gave it (a page), which the platform replaced by the top-level one.
            shown.text = win32::windowText(GetDlgItem(w, 0xFFFF));
            shown.owner = layer(askedOwner(GetWindow(w, GW_OWNER)));
        }
        observer()(shown);
    }
}

::LRESULT CALLBACK watchActivation(int code, ::WPARAM wParam, ::LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto* window = reinterpret_cast<::HWND>(wParam);  // NOLINT(performance-no-int-to-ptr)
        // A modal window: it has an owner, which it disables for its run.
        ::HWND owner = GetWindow(window, GW_OWNER);
        if (observer() && owner != nullptr && hasClass(window, L"#32770") &&
            std::find(gToReport.begin(), gToReport.end(), window) == gToReport.end()) {
            gToReport.push_back(window);
            // Reported from the loop that runs the window, once it is drawn.
            SetTimer(nullptr, kObserveTimer, 10, reportShown);
        }
    }
    return CallNextHookEx(gActivateHook, code, wParam, lParam);
}

}  // namespace

void setModalObserver(std::function<void(const ShownModal&)> f) {
    observer() = std::move(f);
    if (observer() && gActivateHook == nullptr) {
        gActivateHook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    } else if (!observer() && gActivateHook != nullptr) {
        UnhookWindowsHookEx(gActivateHook);
        gActivateHook = nullptr;
    }
}

}  // namespace ui::testing
