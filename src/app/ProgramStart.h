// The program's start routine and its lifecycle.
#pragma once

#include <functional>

#include "text/Platform.h"

namespace kf {

class MainWindow;

struct ProgramServices {
    MessageBoxService& boxes;
    ShellOpen& shell;
    // The created event's work: by default OnMainWindowCreated. It may call EndProgram.
    std::function<void(const ProgramServices&)> created;
    // Called once the window is shown and before the message loop runs (tests drive it here).
    std::function<void(MainWindow&)> shown;
};

// Registers ReleaseGlobals as the exit clean-up, builds the window (whose created event runs the
// start-up services), shows it and runs the message loop until it is closed. Always returns 0.
// Call it after the QApplication exists.
int ProgramStart(const ProgramServices& services);

// The created event's handler: the skin, then the version check, which may end the program.
void OnMainWindowCreated(const ProgramServices& services);

// Ends the program from inside the created event: the message loop never starts, ProgramStart
// returns 0 and the exit path releases the globals.
void EndProgram();

} // namespace kf
