// The yardstick for start-up on Windows: a program that creates one modeless dialog with one
// label from its resources, shows it and runs a message loop, as the settings program does with
// its main dialog. The close box, Escape or WM_CLOSE end it with exit code 2, Enter with 1, as
// they end the settings program.
//
// Built twice more as floors that say where the settings program's start-up goes:
// QV_BENCH_STARTUP adds the start-up every build of the settings program must do (COM, the common
// controls of its manifest, the Rich Edit library), and QV_BENCH_DIALOG_ID 129 then creates the
// settings program's own main dialog template instead of the label, with nothing filled in.
#include <windows.h>

#ifdef QV_BENCH_STARTUP
#include <commctrl.h>
#include <objbase.h>
#endif

namespace {

#ifdef QV_BENCH_DIALOG_ID
constexpr int kDialogId = QV_BENCH_DIALOG_ID;
#else
constexpr int kDialogId = 100;
#endif

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
#ifdef QV_BENCH_STARTUP
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"RICHED20.DLL");
#endif
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
#ifdef QV_BENCH_STARTUP
    CoUninitialize();
#endif
    return static_cast<int>(message.wParam);
}
