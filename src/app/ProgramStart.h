// The program's start routine, its lifecycle and the wiring of the window to the layers below.
#pragma once

#include <functional>
#include <memory>

#include "text/Platform.h"

namespace kf {

class MainWindow;
class QtMainWindowAccess;
class SearchController;

struct ProgramServices {
    MessageBoxService& boxes;
    ShellOpen& shell;
    // The created event's work; ProgramStart's default is OnMainWindowCreated. It may call
    // EndProgram.
    std::function<void(const ProgramServices&)> created;
    // Called once the window is shown, before the message loop runs (tests drive it from here).
    std::function<void(MainWindow&)> shown;
};

// The window with its seams and handlers, wired to the program's globals.
class ProgramSession {
public:
    // Builds the window; its created event runs `services.created` before this returns.
    explicit ProgramSession(const ProgramServices& services);
    // Stops what is still running: see Shutdown.
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    MainWindow& window() { return *window_; }
    SearchController& search() { return *search_; }

    // Detaches the window from the search threads, aborts their requests and waits up to a
    // second for them to end; false when some are still running then.
    bool Shutdown();

private:
    const ProgramServices& services_;
    std::unique_ptr<MainWindow> window_;
    std::shared_ptr<QtMainWindowAccess> access_;
    std::unique_ptr<SearchController> search_;
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
bool ProgramEndRequested();

} // namespace kf
