// The user's handles on the search: start, previous and next page, the quick-search switch and
// opening a result; each run goes to a search thread of its own.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

#include "search/MainWindowAccess.h"
#include "sites/Globals.h"
#include "text/Platform.h"

namespace kf {

// True for an address that the browser may be given: it begins with "http://" or "https://",
// in any letter case. Page content must never start a program or open a local file.
bool IsWebAddress(std::string_view address);

class SearchController {
public:
    struct Options {
        // Aborts every HTTP exchange in flight; Shutdown calls it once.
        std::function<void()> abortRequests;
    };

    // `globals` must outlive every run (the program's globals live until the process ends).
    // Every handler is called on the window thread.
    SearchController(Globals& globals, std::shared_ptr<MainWindowAccess> window, ShellOpen& shell);
    SearchController(
        Globals& globals, std::shared_ptr<MainWindowAccess> window, ShellOpen& shell, Options options);
    // Stops the runs (without aborting requests) and waits for them for up to a second.
    ~SearchController();
    SearchController(const SearchController&) = delete;
    SearchController& operator=(const SearchController&) = delete;

    void OnStartSearchClicked(); // 按钮1
    void OnPreviousPageClicked(); // 按钮2
    void OnNextPageClicked(); // 按钮3
    void OnQuickSearchClicked(); // 选择框1, after the platform has toggled it
    void OnResultListDoubleClicked(); // 超级列表框1

    // True from the start of a run until it is about to show itself done; page presses are
    // refused meanwhile.
    bool RunInProgress() const;
    // Waits until no search thread is left; false when the time ran out first.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

    // For closing the window: no run starts any more, the runs stop before their next access to
    // the window or the globals, requests in flight are aborted, and the call waits up to `bound`
    // for the search threads to end. False when some are still alive then.
    bool Shutdown(std::chrono::milliseconds bound = std::chrono::seconds(1));

private:
    struct RunState;

    void StartRun();

    Globals& globals_;
    std::shared_ptr<MainWindowAccess> window_;
    ShellOpen& shell_;
    Options options_;
    std::shared_ptr<RunState> state_;
};

} // namespace kf
