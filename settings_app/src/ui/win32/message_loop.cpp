// The message loop on GetMessageW: input goes to the registered filters first, idle handlers run
// whenever the queue runs empty. Also the process-wide set-up (COM, common controls, Rich Edit)
// and the handler that a close requested from outside calls.
#include "ui/message_loop.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/backend_shared.h"
#include "ui/dialog.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "ui/win32/backend.h"

namespace {
// Spelled out here: inside the layer's namespace HWND names the layer's type.
const ::HWND kMessageOnlyParent = HWND_MESSAGE;
}  // namespace

namespace ui {

namespace win32 {

namespace {

void (*gHandler)(void*) = nullptr;
void* gHandlerContext = nullptr;

}  // namespace

::HWND createMessageOnlyWindow(const wchar_t* className, ::WNDPROC procedure) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = className;
    RegisterClassW(&cls);
    return CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, kMessageOnlyParent, nullptr,
                           cls.hInstance, nullptr);
}

ui::MSG toLayer(const ::MSG& msg) {
    ui::MSG m;
    m.hwnd = layer(msg.hwnd);
    m.message = msg.message;
    m.wParam = msg.wParam;
    m.lParam = msg.lParam;
    // Only a key press reads them: each GetKeyState asks the window server, and every message
    // of the loop passes through here.
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        m.control = GetKeyState(VK_CONTROL) < 0;
        m.shift = GetKeyState(VK_SHIFT) < 0;
    }
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

void (*terminationHandler())(void*) {
    return gHandler;
}

void* terminationContext() {
    return gHandlerContext;
}

}  // namespace win32

using namespace win32;

int MessageLoop::run() {
    // The loop running inside it, if any, gives way to this one until it returns.
    const RunningLoop running(this);
    ::MSG msg{};
    for (;;) {
        // The queue has run empty: the idle handlers, once, before waiting again.
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) == FALSE) {
            idle();
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            continue;  // an error is ignored and the loop goes on
        }
        if (got == 0) {
            return static_cast<int>(msg.wParam);
        }
        ui::MSG m = toLayer(msg);
        if (!preTranslate(m)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void postQuitMessage(int exitCode) {
    PostQuitMessage(exitCode);
}

struct Application::Impl {
    Impl() { CoInitialize(nullptr); }
    ~Impl() { CoUninitialize(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
};

Application::Application(int& /*argc*/, char** /*argv*/) : impl_(std::make_unique<Impl>()) {}
Application::~Application() = default;

void initCommonControls() {
    // The bar classes, and the list view and tab control the templates hold by name: only
    // version 6 of the library registers every class of its own accord.
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES;
    InitCommonControlsEx(&classes);
}

void loadRichEditLibrary() {
    // Registers "RichEdit20W"; stays loaded for the life of the process.
    LoadLibraryW(L"RICHED20.DLL");
}

void setUserLanguage(const std::string& language) {
    // The platform's own texts (a message box's OK, the open-file dialog) in the catalog's
    // language: "zh_CN" is the locale name "zh-CN".
    if (language.empty()) {
        return;
    }
    std::wstring name(language.begin(), language.end());
    std::replace(name.begin(), name.end(), L'_', L'-');
    const LCID locale = LocaleNameToLCID(name.c_str(), 0);
    if (locale != 0) {
        SetThreadUILanguage(LANGIDFROMLCID(locale));
    }
}

void catchTerminationSignals() {
    // A Windows program is asked to close by WM_CLOSE or the end of the session, which the
    // main dialog's procedure receives; there are no signals to catch.
}

void setTerminationHandler(void (*handler)(void*), void* context) {
    gHandler = handler;
    gHandlerContext = context;
}

}  // namespace ui
