// DialogBase and the window helpers on the Win32 dialog manager: dialogs are created from the
// module's DIALOGEX resources, one dialog procedure decodes the platform's messages for the
// message maps.
#include "ui/dialog.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "ui/controls.h"
#include "ui/dialog_template.h"
#include "ui/presenter.h"
#include "ui/template_registry.h"

// After the layer's headers: the platform's macros would otherwise rewrite the layer's names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/backend.h"

namespace ui {

struct DialogAccess {
    static void setHwnd(DialogBase& dialog, HWND window) { dialog.hwnd_ = window; }
    static bool process(DialogBase& dialog, const Message& m, LRESULT& result) {
        return dialog.processWindowMessage(m, result);
    }
};

namespace win32 {

namespace {

std::map<::HWND, DialogState>& states() {
    static std::map<::HWND, DialogState> map;
    return map;
}

std::vector<::HWND>& dispatchStack() {
    static std::vector<::HWND> stack;
    return stack;
}

TestTemplateBuilder gTemplateBuilder = nullptr;

int gBusyCursors = 0;

}  // namespace

HINSTANCE resourceModule() {
    return GetModuleHandleW(nullptr);
}

std::u16string windowText(::HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return std::u16string(u16(text.data(), static_cast<std::size_t>(std::max(copied, 0))));
}

int copyText(std::u16string_view text, char16_t* buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    int n = static_cast<int>(
        std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxCount - 1)));
    // Never end on the first half of a surrogate pair.
    if (n > 0 && n < static_cast<int>(text.size()) &&
        text[static_cast<std::size_t>(n) - 1] >= 0xD800 &&
        text[static_cast<std::size_t>(n) - 1] <= 0xDBFF) {
        --n;
    }
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return n;
}

Message decode(UINT message, WPARAM wParam, LPARAM lParam) {
    Message m{message, wParam, lParam, 0, 0};
    if (message == WM_COMMAND) {
        m.id = loWord(wParam);
        m.code = hiWord(wParam);
    } else if (message == WM_NOTIFY && lParam != 0) {
        // The layer's header has the platform's layout.
        const auto* header = reinterpret_cast<const ::NMHDR*>(lParam);  // NOLINT
        m.id = static_cast<int>(header->idFrom);
        m.code = static_cast<int>(header->code);
    }
    return m;
}

ui::MSG toLayer(const ::MSG& msg) {
    ui::MSG m;
    m.hwnd = layer(msg.hwnd);
    m.message = msg.message;
    m.wParam = msg.wParam;
    m.lParam = msg.lParam;
    m.control = GetKeyState(VK_CONTROL) < 0;
    m.shift = GetKeyState(VK_SHIFT) < 0;
    return m;
}

::MSG toNative(const ui::MSG& msg) {
    ::MSG m{};
    m.hwnd = native(msg.hwnd);
    m.message = msg.message;
    m.wParam = msg.wParam;
    m.lParam = msg.lParam;
    m.time = GetMessageTime();
    const DWORD pos = GetMessagePos();
    m.pt.x = static_cast<short>(LOWORD(pos));
    m.pt.y = static_cast<short>(HIWORD(pos));
    return m;
}

void pushDispatching(::HWND topLevel) {
    dispatchStack().push_back(topLevel);
}

void popDispatching() {
    if (!dispatchStack().empty()) {
        dispatchStack().pop_back();
    }
}

::HWND dispatchingWindow() {
    const auto& stack = dispatchStack();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (IsWindow(*it) != FALSE) {
            return *it;
        }
    }
    return nullptr;
}

DialogState* dialogState(::HWND window) {
    const auto it = states().find(window);
    return it != states().end() ? &it->second : nullptr;
}

ui::DialogBase* dialogOf(::HWND window) {
    if (window == nullptr || IsWindow(window) == FALSE) {
        return nullptr;
    }
    wchar_t name[16] = {};
    if (GetClassNameW(window, name, 16) == 0 || std::wstring_view(name) != L"#32770") {
        return nullptr;
    }
    // DWLP_USER holds the object once WM_INITDIALOG ran; other dialogs (boxes) leave it 0.
    if (states().find(window) == states().end()) {
        return nullptr;
    }
    return reinterpret_cast<ui::DialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
}

::HWND topLevelOf(::HWND window) {
    return window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
}

bool hasClass(::HWND window, const wchar_t* className) {
    wchar_t name[64] = {};
    return window != nullptr && GetClassNameW(window, name, 64) != 0 &&
           lstrcmpiW(name, className) == 0;
}

void setTestTemplateBuilder(TestTemplateBuilder builder) {
    gTemplateBuilder = builder;
}

namespace {

// A page (a child dialog) takes part in its top-level dialog's Tab order, and so does the
// window hosting it (the tab control): what a DS_CONTROL page inside a control parent gets.
void joinTabOrder(::HWND page) {
    const LONG_PTR style = GetWindowLongPtrW(page, GWL_STYLE);
    if ((style & WS_CHILD) == 0) {
        return;
    }
    SetWindowLongPtrW(page, GWL_EXSTYLE,
                      GetWindowLongPtrW(page, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    if (::HWND host = GetParent(page)) {
        SetWindowLongPtrW(host, GWL_EXSTYLE,
                          GetWindowLongPtrW(host, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    }
}

// The main dialog: a modeless top-level dialog without an owner.
bool isMainDialog(::HWND window) {
    const DialogState* state = dialogState(window);
    return state != nullptr && !state->modal &&
           (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0 &&
           GetWindow(window, GW_OWNER) == nullptr;
}

INT_PTR CALLBACK dialogProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    DialogBase* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<DialogBase*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        DialogState& state = states()[window];
        // The template's first default push button is the default, as the Qt backend has it;
        // the dialog manager would keep the last one.
        if (const DialogTemplate* t = findDialogTemplate(dialog->templateId())) {
            for (const ControlTemplate& c : t->controls) {
                if (c.cls == ControlClass::button && (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    state.defaultButton = c.id;
                    SendMessageW(window, DM_SETDEFID, static_cast<::WPARAM>(c.id), 0);
                    break;
                }
            }
        }
        DialogAccess::setHwnd(*dialog, layer(window));
        joinTabOrder(window);
    } else {
        dialog = reinterpret_cast<DialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        states().erase(window);
        if (dialog->hwnd() == layer(window)) {
            DialogAccess::setHwnd(*dialog, nullptr);
        }
        return FALSE;
    }
    // A close of the main dialog from outside (WM_CLOSE while a modal run is in progress, or
    // the end of the session) ends the modal runs first, then closes it as its close box does:
    // through the program's termination handler when it set one, as a termination signal does
    // elsewhere.
    if ((message == WM_CLOSE || (message == WM_ENDSESSION && wParam != 0)) &&
        isMainDialog(window) && (modalDepth() > 0 || message == WM_ENDSESSION)) {
        if (terminationHandler() != nullptr) {
            requestTermination(terminationHandler(), terminationContext());
        } else {
            requestTermination(
                [](void* target) {
                    SendMessageW(static_cast<::HWND>(target), WM_COMMAND,
                                 MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                },
                window);
        }
        return TRUE;
    }

    if (message == WM_SHOWWINDOW && wParam != 0) {
        ui::dialogShown(dialog->templateId());
    }

    const Message m = decode(message, wParam, lParam);
    LRESULT result = 0;
    pushDispatching(topLevelOf(window));
    const bool handled = DialogAccess::process(*dialog, m, result);
    popDispatching();
    if (!handled) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            // Returned as they are, not through DWLP_MSGRESULT.
            return static_cast<INT_PTR>(result);
        default:
            // The window may be gone (a dialog destroyed from its own handler): then this fails
            // harmlessly.
            if (IsWindow(window) != FALSE) {
                SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
            }
            return TRUE;
    }
}

::HWND createFromTemplate(DialogBase& dialog, ::HWND parent) {
    // A template a test added is built in memory; the program's come from its resources.
    if (gTemplateBuilder != nullptr) {
        if (const void* data = gTemplateBuilder(dialog.templateId())) {
            return CreateDialogIndirectParamW(resourceModule(), static_cast<LPCDLGTEMPLATEW>(data),
                                              parent, dialogProc,
                                              reinterpret_cast<LPARAM>(&dialog));
        }
    }
    return CreateDialogParamW(resourceModule(), MAKEINTRESOURCEW(dialog.templateId()), parent,
                              dialogProc, reinterpret_cast<LPARAM>(&dialog));
}

}  // namespace

}  // namespace win32

using namespace win32;

DialogBase::~DialogBase() {
    // The derived dialog is gone by now, so its message map hears nothing more; the window is
    // simply destroyed.
    if (hwnd_ != nullptr) {
        ::HWND window = native(hwnd_);
        SetWindowLongPtrW(window, DWLP_USER, 0);
        states().erase(window);
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
}

LRESULT DialogBase::sendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd_ != nullptr) {
        return SendMessageW(native(hwnd_), message, wParam, lParam);
    }
    // No window: the message map alone, then the default processing's answer.
    LRESULT result = 0;
    if (processWindowMessage(decode(message, wParam, lParam), result)) {
        return result;
    }
    return message == WM_INITDIALOG ? 1 : 0;
}

HWND DialogBase::create(HWND parent) {
    if (hwnd_ != nullptr) {
        return nullptr;
    }
    ::HWND window = createFromTemplate(*this, native(parent));
    return window != nullptr && hwnd_ == layer(window) ? hwnd_ : nullptr;
}

LRESULT DialogBase::doModal(HWND parent) {
    if (hwnd_ != nullptr) {
        return -1;
    }
    if (terminationRequested()) {
        return IDCANCEL;
    }
    // Owned by the top-level window of the given parent, as the dialog manager does.
    ::HWND owner = topLevelOf(native(parent));
    ::HWND window = createFromTemplate(*this, owner);
    if (window == nullptr) {
        return -1;
    }
    DialogState* state = dialogState(window);
    if (state == nullptr) {
        DestroyWindow(window);
        return -1;
    }
    state->modal = true;
    if (!state->ended) {
        state->owner = owner;
        state->ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner) != FALSE;
        if (state->ownerWasEnabled) {
            EnableWindow(owner, FALSE);
        }
        ShowWindow(window, SW_SHOW);
        presenter().runModal(*this);
        state = dialogState(window);
        if (state != nullptr && !state->ended) {
            endDialog(IDCANCEL);
        }
    }
    state = dialogState(window);
    const LRESULT result = state != nullptr ? state->result : IDCANCEL;
    if (IsWindow(window) != FALSE && hwnd_ == layer(window)) {
        DestroyWindow(window);
    }
    if (owner != nullptr && IsWindow(owner) != FALSE && IsWindowEnabled(owner) != FALSE &&
        IsWindowVisible(owner) != FALSE) {
        SetActiveWindow(owner);
    }
    return result;
}

bool DialogBase::destroyWindow() {
    if (hwnd_ == nullptr) {
        return false;
    }
    // WM_DESTROY reaches the message map; WM_NCDESTROY lets go of the window.
    return DestroyWindow(native(hwnd_)) != FALSE;
}

bool DialogBase::endDialog(LRESULT result) {
    ::HWND window = native(hwnd_);
    DialogState* state = dialogState(window);
    if (state == nullptr || state->ended) {
        return false;
    }
    state->ended = true;
    state->result = result;
    // The owner takes input again before the dialog goes, so that it is the one activated.
    if (state->owner != nullptr && state->ownerWasEnabled) {
        EnableWindow(state->owner, TRUE);
        state->ownerWasEnabled = false;
    }
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Wakes the modal loop, which looks at the state after every message.
    PostMessageW(window, WM_NULL, 0, 0);
    return true;
}

HWND DialogBase::getDlgItem(int id) const {
    return hwnd_ != nullptr ? layer(GetDlgItem(native(hwnd_), id)) : nullptr;
}

bool DialogBase::setWindowText(const char16_t* text) {
    return hwnd_ != nullptr && SetWindowTextW(native(hwnd_), text != nullptr ? wide(text) : L"");
}

bool DialogBase::setDlgItemText(int id, const char16_t* text) {
    return hwnd_ != nullptr &&
           SetDlgItemTextW(native(hwnd_), id, text != nullptr ? wide(text) : L"") != FALSE;
}

std::u16string DialogBase::getDlgItemText(int id) const {
    HWND item = getDlgItem(id);
    return item != nullptr ? win32::windowText(native(item)) : std::u16string();
}

int DialogBase::getDlgItemText(int id, char16_t* buffer, int maxCount) const {
    return copyText(getDlgItemText(id), buffer, maxCount);
}

bool DialogBase::centerWindow(HWND parent) {
    ::HWND window = native(hwnd_);
    if (window == nullptr) {
        return false;
    }
    ::RECT self{};
    GetWindowRect(window, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    const bool child = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (child) {
        // A page: within its parent's client area.
        ::HWND host = GetParent(window);
        ::RECT area{};
        GetClientRect(host, &area);
        const int x = area.left + (area.right - area.left - width) / 2;
        const int y = area.top + (area.bottom - area.top - height) / 2;
        return SetWindowPos(window, nullptr, x, y, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
    }
    ::HWND over = native(parent);
    if (over == nullptr) {
        over = GetWindow(window, GW_OWNER);
    }
    if (over != nullptr && (IsWindowVisible(over) == FALSE || IsIconic(over) != FALSE)) {
        over = nullptr;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(over != nullptr ? over : window, MONITOR_DEFAULTTONEAREST),
                    &monitor);
    const ::RECT work = monitor.rcWork;
    ::RECT centre = work;
    if (over != nullptr) {
        GetWindowRect(over, &centre);
    }
    int x = centre.left + (centre.right - centre.left - width) / 2;
    int y = centre.top + (centre.bottom - centre.top - height) / 2;
    // Kept inside the work area.
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) !=
           FALSE;
}

bool DialogBase::showWindow(int showCommand) {
    return ui::showWindow(hwnd_, showCommand);
}

HWND getActiveWindow() {
    // The window whose handler runs now when it takes input (the user just pressed one of its
    // buttons), else the thread's active window.
    ::HWND window = dispatchingWindow();
    if (window == nullptr || IsWindowEnabled(window) == FALSE || IsWindowVisible(window) == FALSE) {
        window = GetActiveWindow();
    }
    return layer(window);
}

bool enableWindow(HWND window, bool enable) {
    return EnableWindow(native(window), enable ? TRUE : FALSE) != FALSE;
}

bool isWindowEnabled(HWND window) {
    return window != nullptr && IsWindowEnabled(native(window)) != FALSE;
}

bool isWindowVisible(HWND window) {
    return window != nullptr && IsWindowVisible(native(window)) != FALSE;
}

int getDlgCtrlId(HWND window) {
    return window != nullptr ? GetDlgCtrlID(native(window)) : 0;
}

HICON loadIcon(int resourceId, int size) {
    // Loaded icons live as long as the process, as shared icon resources do.
    static std::map<std::pair<int, int>, ::HICON> icons;
    auto& slot = icons[{resourceId, size}];
    if (slot == nullptr) {
        slot = static_cast<::HICON>(LoadImageW(resourceModule(), MAKEINTRESOURCEW(resourceId),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    return reinterpret_cast<HICON>(slot);
}

bool setIcon(HWND window, HICON icon, WPARAM which) {
    if (window == nullptr || icon == nullptr) {
        return false;
    }
    SendMessageW(native(window), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    return true;
}

int getSystemMetrics(SystemMetric metric) {
    switch (metric) {
        case SystemMetric::cxIcon:
            return GetSystemMetrics(SM_CXICON);
        case SystemMetric::cyIcon:
            return GetSystemMetrics(SM_CYICON);
        case SystemMetric::cxSmIcon:
            return GetSystemMetrics(SM_CXSMICON);
        case SystemMetric::cySmIcon:
            return GetSystemMetrics(SM_CYSMICON);
    }
    return 0;
}

HBRUSH createSolidBrush(COLORREF color) {
    return reinterpret_cast<HBRUSH>(CreateSolidBrush(color));
}

bool deleteBrush(HBRUSH brush) {
    return brush != nullptr && DeleteObject(reinterpret_cast<HGDIOBJ>(brush)) != FALSE;
}

BusyCursor::BusyCursor() {
    ++gBusyCursors;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

BusyCursor::~BusyCursor() {
    --gBusyCursors;
    if (gBusyCursors == 0) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
}

namespace win32 {
bool busyCursorShown() {
    return gBusyCursors > 0;
}
}  // namespace win32

}  // namespace ui
