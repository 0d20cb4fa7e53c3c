// The globals' instance and the exit clean-up.
#include "app/AppGlobals.h"

#include <atomic>

namespace kf {
namespace {
std::atomic<int> releaseRuns {0};
}

Globals& TheGlobals()
{
    static Globals* globals = new Globals; // intentionally never deleted
    return *globals;
}

void ReleaseGlobals()
{
    int expected = 0;
    if (!releaseRuns.compare_exchange_strong(expected, 1)) {
        return;
    }
    TheGlobals().SiteQueryPrefix.Release();
    TheGlobals().LastPageText.Release();
}

int ReleaseGlobalsRuns()
{
    return releaseRuns.load();
}

} // namespace kf
