// One search run: fetch a result page, fill the result list, resolve addresses, update the window.
#pragma once

#include <atomic>
#include <functional>

#include "search/MainWindowAccess.h"
#include "sites/Globals.h"

namespace kf {

// How the owner of a run steers it from outside; both members are optional.
struct RunControl {
    // Once true, the run stops before its next access to the window or the globals.
    const std::atomic<bool>* stopping = nullptr;
    // Called once, right before the run enables the start button and the list again, so that
    // its owner can accept new presses as soon as the window shows the run as done.
    std::function<void()> finishing;
};

// Runs to completion on the calling thread (a search thread of its own). It reads and writes the
// window only through `window`, one property per call, and works on its own copy of the page.
void RunSearch(Globals& globals, MainWindowAccess& window, const RunControl& control = {});

} // namespace kf
