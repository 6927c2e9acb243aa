// QV-410SettingTool.exe: the settings program of the QV-410 label printer. The wide-character GUI
// entry; the command line is ignored and the show command comes through SW_SHOWDEFAULT, which
// takes the one the program was started with.
#include "app/startup.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*showCommand*/) {
    int argc = 0;
    char* argv[] = {nullptr};
    return app::winMain(argc, argv);
}
