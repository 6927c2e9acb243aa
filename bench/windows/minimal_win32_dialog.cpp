// The yardstick for start-up on Windows: a program that creates one modeless dialog with one
// label from its resources, shows it and runs a message loop, as the settings program does with
// its main dialog. The close box, Escape or WM_CLOSE end it with exit code 2, Enter with 1, as
// they end the settings program.
#include <windows.h>

namespace {

constexpr int kDialogId = 100;

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(dialog);
        PostQuitMessage(LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(kDialogId), nullptr, dialogProc, 0);
    if (dialog == nullptr) {
        return 0;
    }
    ShowWindow(dialog, show);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) != 0) {
        if (!IsWindow(dialog) || !IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
