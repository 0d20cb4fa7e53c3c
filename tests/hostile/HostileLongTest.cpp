// The hostile cases that move many megabytes: bodies without end, cut at the body bound, and
// pages of one 5 MB line. Each ends on its own, lists nothing and keeps memory bounded.
#include <gtest/gtest.h>

#include "HostileChecks.h"
#include "http/HttpWorker.h"

namespace kf {
namespace {

using namespace test;

// A 64 MiB page may or may not arrive within the check's short time-out; neither is a version.
const std::vector<UpdateCheckResult> kCutOrLate
    = {UpdateCheckResult::NewVersion, UpdateCheckResult::Unreachable};

TEST(HostileServersLong, EndlessBodiesAreCutAtTheBodyBound)
{
    for (const bool chunked : {true, false}) {
        SCOPED_TRACE(chunked ? "chunked" : "without length");
        HostileServer server(hostile::EndlessBody(chunked));
        Text address = server.Base() + "/s?wd=site:example.com kw&pn=0&rn=10";
        const auto start = Clock::now();
        const Bytes body = HttpRequest(address);
        EXPECT_LT(Clock::now() - start, kRunTimeout + kMargin);
        EXPECT_EQ(body.size(), kMaxResponseBody);
        EXPECT_EQ(TextFromBytes(body).find(TimeoutMessageStart()), std::string::npos);
        ExpectNoWorkerLeft();
        EXPECT_TRUE(WaitUntil([&server] { return server.ClosedByPeer() >= 1; }, 3s));

        ExpectVersionCheckEnds(server.Base(), kCutOrLate);
        ExpectNoWorkerLeft();
        server.Stop();
    }
}

TEST(HostileServersLong, EndlessBodyRunEndsWithBoundedMemory)
{
#if defined(__SANITIZE_THREAD__)
    // The run has no threads beyond those of the other cases, and the sanitizer's shadow of a
    // 64 MiB page alone passes any useful bound.
    GTEST_SKIP() << "measured in the plain and address-sanitizer builds";
#endif
    const PromptCase endless = {"chunked body without end", hostile::EndlessBody(true), kCutOrLate};
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

std::string FiveMegabyteLine(const std::string& unit)
{
    std::string line;
    line.reserve(5'000'000 + unit.size());
    while (line.size() < 5'000'000) {
        line += unit;
    }
    return "<html><body><p>" + line + "</p></body></html>";
}

TEST(HostileServersLong, FiveMegabyteLinesMakeUpNoRows)
{
    const PromptCase cases[] = {
        {"5 MB line of letters and Chinese",
            hostile::Fixed(hostile::Response(FiveMegabyteLine("abcdefgh结果约"))), kJunkPage},
        // Every opener of the link pattern starts a lazy scan to the end of the same line.
        {"5 MB line of link openers",
            hostile::Fixed(hostile::Response(FiveMegabyteLine("<a data-nolog href=\"x"))), kJunkPage},
        {"5 MB of title openers",
            hostile::Fixed(hostile::Response(FiveMegabyteLine("\"\n\ntarget=\"_blank\"\n\n>t"))), kJunkPage},
    };
    for (const auto& c : cases) {
        Globals globals;
        CheckPromptCase(c, globals);
    }
}

} // namespace
} // namespace kf
