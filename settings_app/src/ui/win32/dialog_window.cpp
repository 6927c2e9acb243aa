// The dialog procedure of every dialog the layer creates: it ties the window to its dialog
// object, decodes the platform's messages for the message map and closes the main dialog from
// outside; also each dialog's state while its window exists, and the handlers that run now.
#include <map>
#include <vector>

#include "ui/backend_shared.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/template_registry.h"

// After the layer's headers: the platform's macros would otherwise rewrite the layer's names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/backend.h"

namespace ui {

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

}  // namespace

HINSTANCE resourceModule() {
    return GetModuleHandleW(nullptr);
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

void forgetDialog(::HWND window) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    states().erase(window);
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

}  // namespace

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

}  // namespace win32

}  // namespace ui
