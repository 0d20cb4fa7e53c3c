// Checks shared by the hostile-server suites: a search run on a thread of its own against a
// server, the version check against it, and what either may leave behind.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "HostileHarness.h"
#include "HostileServer.h"
#include "http/HttpRequest.h"
#include "search/RunSearch.h"
#include "startup/UpdateCheck.h"

namespace kf::test {

using namespace std::chrono_literals;

// The run's requests keep HttpRequest's default time-out; "ended" means within it plus a margin.
constexpr auto kRunTimeout = 60s;
constexpr auto kMargin = 5s;
// The version check is given a short time-out of its own through its fetch seam.
constexpr double kCheckTimeoutSeconds = 2.0;
// Peak resident memory the process may reach while bodies are cut at 64 MiB: generous, but far
// below what an uncut endless body would take. Sanitizers keep shadow memory and freed blocks.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long long kPeakMemoryBound = 1500LL << 20;
#else
constexpr long long kPeakMemoryBound = 600LL << 20;
#endif

using Clock = std::chrono::steady_clock;

struct RunRecord {
    bool ended = false;
    Clock::duration elapsed {};
    std::thread::id searchThread;
};

// RunSearch on a search thread of its own against the engine at `base`, while this thread plays
// the window thread and only waits.
inline RunRecord RunAgainst(const std::string& base, Globals& globals, ThreadRecordingWindow& window)
{
    globals.SiteQueryPrefix.Set(base + "/s?wd=site:example.com ");
    globals.CurrentPage = 0;
    window.SetText(controls::KeywordBox, "kw");
    RunRecord record;
    const auto start = Clock::now();
    auto run = std::async(std::launch::async, [&globals, &window] {
        RunSearch(globals, window);
        return std::this_thread::get_id();
    });
    record.ended = run.wait_for(kRunTimeout + kMargin) == std::future_status::ready;
    record.elapsed = Clock::now() - start;
    record.searchThread = run.get(); // a run that did not end is still waited for, never abandoned
    return record;
}

// The window only ever heard from the search thread: the window thread was never held by the run.
inline void ExpectOnlySearchThreadCalled(ThreadRecordingWindow& window, const RunRecord& record)
{
    const auto threads = window.CallingThreads();
    EXPECT_EQ(threads, std::set<std::thread::id> {record.searchThread});
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

inline void ExpectEndedAndNotTimedOut(const RunRecord& record, Globals& globals)
{
    EXPECT_TRUE(record.ended) << "the run did not end within its time-out";
    // The server's misbehaviour ended the exchange, not the 60 s time-out.
    EXPECT_EQ(globals.LastPageText.Get().find(TimeoutMessageStart()), std::string::npos);
}

// What a run that found nothing shows: no row, the zero count, the no-result message once.
inline void ExpectNoRowMadeUp(ThreadRecordingWindow& window, Globals& globals)
{
    EXPECT_TRUE(window.Rows().empty());
    EXPECT_EQ(window.Caption(controls::CountLabel), NoResultCountLabel());
    EXPECT_EQ(window.Caption(controls::PageLabel), PageLabelOf(0));
    EXPECT_EQ(window.Reminders(), std::vector<Text> {NoResultMessage()});
    EXPECT_EQ(window.Caption(controls::StartButton), Cp936("继续搜索"));
    EXPECT_TRUE(window.Enabled(controls::StartButton));
    EXPECT_TRUE(window.Enabled(controls::ResultList));
    EXPECT_FALSE(window.Enabled(controls::PreviousButton));
    EXPECT_FALSE(window.Enabled(controls::NextButton));
    EXPECT_EQ(globals.ResultRowCounter.load(), 0);
}

inline void ExpectNoWorkerLeft()
{
    EXPECT_TRUE(WaitUntil([] { return LiveHttpWorkers() == 0; }, 3s))
        << LiveHttpWorkers() << " HTTP workers still running";
}

class CountingMessageBox : public MessageBoxService {
public:
    void Show(const Text&, const Text&) override { ++shown; }
    int shown = 0;
};

struct CheckRecord {
    UpdateCheckResult result = UpdateCheckResult::Current;
    Clock::duration elapsed {};
    int boxes = 0;
    int ends = 0;
    std::size_t opened = 0;
};

// The version check with its fetch seam pointed at `base` and a short time-out.
inline CheckRecord CheckVersionAgainst(const std::string& base)
{
    CountingMessageBox box;
    RecordingShell shell;
    CheckRecord record;
    const auto fetch = [&base](Text&) {
        Text address = base + "/version.html";
        HttpOptions options;
        options.timeoutSeconds = kCheckTimeoutSeconds;
        return HttpRequest(address, options);
    };
    const auto start = Clock::now();
    record.result = CheckForUpdate({box, shell, [&record] { ++record.ends; }, fetch, {}});
    record.elapsed = Clock::now() - start;
    record.boxes = box.shown;
    record.opened = shell.Opened().size();
    return record;
}

inline const char* Name(UpdateCheckResult result)
{
    switch (result) {
    case UpdateCheckResult::Current:
        return "Current";
    case UpdateCheckResult::Unreachable:
        return "Unreachable";
    case UpdateCheckResult::NewVersion:
        return "NewVersion";
    }
    return "?";
}

inline void ExpectVersionCheckEnds(const std::string& base, const std::vector<UpdateCheckResult>& allowed)
{
    const CheckRecord check = CheckVersionAgainst(base);
    EXPECT_LT(check.elapsed, std::chrono::duration<double>(kCheckTimeoutSeconds) + kMargin);
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), check.result), allowed.end())
        << "version check gave " << Name(check.result);
    const bool announced = check.result == UpdateCheckResult::NewVersion;
    EXPECT_EQ(check.boxes, announced ? 1 : 0);
    EXPECT_EQ(check.ends, announced ? 1 : 0);
    EXPECT_EQ(check.opened, 1u); // the home page, whatever the page said
}

// A server case whose misbehaviour ends every exchange by itself, without a time-out.
struct PromptCase {
    const char* name;
    Script script;
    std::vector<UpdateCheckResult> versionOutcomes;
};

// The whole run against the server and then the version check: both end, nothing is made up.
inline void CheckPromptCase(const PromptCase& c, Globals& globals)
{
    SCOPED_TRACE(c.name);
    HostileServer server(c.script);
    ASSERT_GT(server.Port(), 0);
    ThreadRecordingWindow window;
    const RunRecord run = RunAgainst(server.Base(), globals, window);
    ExpectEndedAndNotTimedOut(run, globals);
    EXPECT_GE(server.Connections(), 1);
    ExpectNoRowMadeUp(window, globals);
    ExpectOnlySearchThreadCalled(window, run);
    ExpectNoWorkerLeft();

    ExpectVersionCheckEnds(server.Base(), c.versionOutcomes);
    ExpectNoWorkerLeft();
    server.Stop();
}

// The version check's outcomes: no page at all, or a page that carries no version.
inline const std::vector<UpdateCheckResult> kNoPage = {UpdateCheckResult::Unreachable};
inline const std::vector<UpdateCheckResult> kJunkPage = {UpdateCheckResult::NewVersion};

} // namespace kf::test
