// Closing during a run: requests are aborted for the whole process, so this suite has its own program.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "EngineSimulator.h"
#include "RecordingWindow.h"
#include "search/SearchController.h"

namespace kf {
namespace {

using namespace std::chrono_literals;

TEST(SearchShutdown, CloseDuringARunEndsItWithinTheBound)
{
    sim::SimulatorOptions options;
    options.total = 100;
    options.delayMs = 20'000; // every answer hangs far longer than the bound
    sim::EngineSimulator simulator(options);
    ASSERT_GT(simulator.Start(), 0);

    Globals globals;
    globals.SiteQueryPrefix.Set(simulator.BaseUrl() + "/s?wd=site:pan.baidu.com ");
    auto window = std::make_shared<test::RecordingWindow>();
    window->SetText(controls::KeywordBox, "kw");
    test::RecordingShell shell;
    SearchController controller(globals, window, shell);

    controller.OnStartSearchClicked();
    for (int i = 0; i < 2000 && simulator.RequestTargets().empty(); ++i) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(simulator.RequestTargets().size(), 1u);
    const auto captionsBefore = window->StartCaptions();

    EXPECT_TRUE(controller.Shutdown(1s));
    EXPECT_TRUE(controller.WaitUntilIdle(0ms));

    // The run stopped where it was: nothing more was written, no message was shown.
    EXPECT_EQ(window->StartCaptions(), captionsBefore);
    EXPECT_TRUE(window->Rows().empty());
    EXPECT_TRUE(window->Reminders().empty());
    // No run starts after closing.
    controller.OnNextPageClicked();
    controller.OnStartSearchClicked();
    EXPECT_TRUE(controller.WaitUntilIdle(0ms));
    EXPECT_EQ(globals.CurrentPage.load(), 0);
    EXPECT_EQ(simulator.RequestTargets().size(), 1u);
    simulator.Stop();
}

} // namespace
} // namespace kf
