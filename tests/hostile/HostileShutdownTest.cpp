// Closing the window while a run waits on a server that never ends its answer: the run stops
// within the bound, makes up nothing, leaves no worker behind and never holds the window thread.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HostileHarness.h"
#include "HostileServer.h"
#include "http/HttpRequest.h"
#include "search/SearchController.h"

namespace kf {
namespace {

using namespace std::chrono_literals;
using controls::CountLabel;
using controls::KeywordBox;
using test::HostileServer;
using test::Script;
namespace hostile = test::hostile;

// Closing aborts every request of the process for good; a second case in the same process
// would find its requests refused at once, so it steps aside (CTest runs each case alone).
bool requestsAborted = false;

void CloseDuringRun(const Script& script)
{
    if (requestsAborted) {
        GTEST_SKIP() << "requests of this process were aborted by an earlier case; run one case per process";
    }
    HostileServer server(script);
    ASSERT_GT(server.Port(), 0);
    Globals globals;
    globals.SiteQueryPrefix.Set(server.Base() + "/s?wd=site:example.com ");
    auto window = std::make_shared<test::ThreadRecordingWindow>();
    window->SetText(KeywordBox, "kw");
    test::RecordingShell shell;
    SearchController controller(globals, window, shell);

    // This thread plays the window thread: the press returns while the run waits on the server.
    controller.OnStartSearchClicked();
    EXPECT_TRUE(controller.RunInProgress());
    ASSERT_TRUE(server.WaitForConnections(1, 10s));
    // It keeps handling input meanwhile: a page press during the run is refused at once.
    controller.OnNextPageClicked();
    EXPECT_EQ(globals.CurrentPage.load(), 0);
    EXPECT_TRUE(controller.RunInProgress());

    requestsAborted = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(controller.Shutdown(1s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

    // The run stopped inside its page request: nothing after it was written, no row, no message.
    EXPECT_TRUE(window->Rows().empty());
    EXPECT_TRUE(window->Reminders().empty());
    EXPECT_EQ(window->StartCaptions(), std::vector<Text> {Cp936("搜索中...")});
    EXPECT_EQ(window->Caption(CountLabel), "");
    EXPECT_TRUE(globals.LastPageText.Get().empty());
    EXPECT_EQ(globals.ResultRowCounter.load(), 0);
    // Every window call came from the one search thread, none from the window thread.
    const auto threads = window->CallingThreads();
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);

    // The exchange was really stopped: its worker ended and the server saw the connection closed.
    EXPECT_TRUE(test::WaitUntil([] { return LiveHttpWorkers() == 0; }, 3s)) << LiveHttpWorkers();
    EXPECT_TRUE(test::WaitUntil([&server] { return server.ClosedByPeer() >= 1; }, 3s));

    // No run starts after closing.
    controller.OnStartSearchClicked();
    EXPECT_TRUE(controller.WaitUntilIdle(0ms));
    EXPECT_EQ(server.Connections(), 1);
    server.Stop();
}

TEST(HostileShutdown, CloseWhileTheServerNeverAnswers)
{
    CloseDuringRun(hostile::NeverAnswer());
}

TEST(HostileShutdown, CloseWhileHeaderLinesTrickleForever)
{
    CloseDuringRun(hostile::EndlessHeaders(50ms));
}

TEST(HostileShutdown, CloseWhileTheBodyTricklesForever)
{
    CloseDuringRun(hostile::EndlessBody(true, 50ms));
}

} // namespace
} // namespace kf
