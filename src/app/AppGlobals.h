// The program's four globals and their release at exit.
#pragma once

#include "sites/Globals.h"

namespace kf {

// The one instance, alive until the process ends (never destroyed, so a search thread that
// outlives the window can still touch it safely).
Globals& TheGlobals();

// Releases SiteQueryPrefix, then LastPageText. Runs its body once, whichever way the program ends.
void ReleaseGlobals();
// How many times ReleaseGlobals ran its body: 0 or 1.
int ReleaseGlobalsRuns();

} // namespace kf
