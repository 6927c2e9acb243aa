// What the dialog tests take from the platform they run on, one implementation per platform
// (test_platform_posix.cpp, test_platform_win.cpp): unique names, temporary folders, a close
// asked for from outside the program, and a printer outside the test's own device seam.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ui/win_defs.h"

namespace test {

// The id of this process, for names no other test run uses.
int processId();

// A fresh, empty folder of its own below the temporary folder, its name starting with stem.
std::filesystem::path makeTemporaryFolder(const std::string& stem);

// Asks the program to close the way its platform does from outside: SIGTERM on Linux (the
// handler must be caught), WM_CLOSE posted to the main dialog on Windows.
void askToCloseFromOutside(ui::HWND mainDialog);

#ifdef _WIN32
// The real program started as a process, asked to close once its main dialog is shown. When
// command is not 0 the main dialog first gets that button command and the close waits until the
// dialog it opens is shown.
enum class CloseRequest { close, endSession };
struct ProgramRun {
    int exitCode = -1;
    std::string failure;  // what went wrong before the program could be asked; empty when fine
};
ProgramRun runProgramAndClose(const char* program, CloseRequest request, int command = 0);

// The process's simulated printer, which QV410_DEVICE=simulator selects, fresh and reporting
// what it received as the pty printer does on Linux ("command 1f1b1a..."); control() takes the
// line "unplug".
class SimulatorPrinterProcess {
  public:
    SimulatorPrinterProcess();
    SimulatorPrinterProcess(const SimulatorPrinterProcess&) = delete;
    SimulatorPrinterProcess& operator=(const SimulatorPrinterProcess&) = delete;
    std::vector<std::string> received();
    void control(const std::string& line);
};
#endif

}  // namespace test
