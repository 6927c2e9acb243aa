// Program start-up and shutdown, and the run of the main dialog.
#pragma once

namespace app {

// The whole program: GUI set-up, Run, tear-down. Returns the exit code.
int winMain(int argc, char** argv);

// Creates the main dialog modeless, shows it with showCommand and runs the message loop.
// Returns the id of the command that closed the main dialog, 0 when it cannot be created.
int run(int showCommand);

// The show command the program was started with: QV410_SHOW=minimized starts minimised.
int startupShowCommand();

}  // namespace app
