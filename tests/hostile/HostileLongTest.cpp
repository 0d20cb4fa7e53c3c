// The whole search run against a server whose body never ends: the page is cut at the body
// bound, the run ends on its own, lists nothing and the process's memory stays bounded.
#include <gtest/gtest.h>

#include "HostileChecks.h"
#include "http/HttpWorker.h"

namespace kf {
namespace {

using namespace test;

TEST(HostileServersLong, EndlessBodyRunEndsWithBoundedMemory)
{
    // A 64 MiB page may or may not arrive within the check's short time-out; neither is a version.
    const PromptCase endless = {"chunked body without end", hostile::EndlessBody(true),
        {UpdateCheckResult::NewVersion, UpdateCheckResult::Unreachable}};
    Globals globals;
    CheckPromptCase(endless, globals);
    // The run read the page up to the cut: its cleaned text is there, and no longer than the cut.
    const std::size_t kept = globals.LastPageText.Get().size();
    EXPECT_GT(kept, kMaxResponseBody / 2);
    EXPECT_LE(kept, kMaxResponseBody);

    const long long peak = PeakResidentBytes();
    EXPECT_LT(peak, kPeakMemoryBound) << "peak resident memory " << (peak >> 20) << " MiB";
    RecordProperty("PeakResidentMiB", std::to_string(peak >> 20));
}

} // namespace
} // namespace kf
