// The handlers: start, paging and its pn sequence, refusal during a run, the quick-search switch
// and opening a result.
#include "search/SearchController.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "EngineSimulator.h"
#include "RecordingWindow.h"
#include "text/Codepage.h"

namespace kf {
namespace {

using namespace std::chrono_literals;
using controls::KeywordBox;
using controls::NextButton;
using controls::PageLabel;
using controls::PreviousButton;
using controls::QuickSearchBox;
using controls::StartButton;

class Handlers : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::SimulatorOptions options;
        options.total = 35;
        simulator_ = std::make_unique<sim::EngineSimulator>(options);
        ASSERT_GT(simulator_->Start(), 0);
        globals_.SiteQueryPrefix.Set(simulator_->BaseUrl() + "/s?wd=site:pan.baidu.com ");
        window_->SetText(KeywordBox, "kw");
        window_->SetChecked(true);
        // Requests are never aborted here: that is for the one shut-down suite.
        controller_
            = std::make_unique<SearchController>(globals_, window_, shell_, SearchController::Options {});
    }
    void TearDown() override { ASSERT_TRUE(controller_->WaitUntilIdle(30s)); }

    void Press(void (SearchController::*handler)())
    {
        (controller_.get()->*handler)();
        ASSERT_TRUE(controller_->WaitUntilIdle(30s));
    }

    std::unique_ptr<sim::EngineSimulator> simulator_;
    Globals globals_;
    std::shared_ptr<test::RecordingWindow> window_ = std::make_shared<test::RecordingWindow>();
    test::RecordingShell shell_;
    std::unique_ptr<SearchController> controller_;
};

TEST_F(Handlers, StartWithoutSiteOnlyReminds)
{
    globals_.SiteQueryPrefix.Set("");
    globals_.CurrentPage = 4;
    controller_->OnStartSearchClicked();
    EXPECT_FALSE(controller_->RunInProgress());
    EXPECT_EQ(window_->Reminders(), std::vector<Text> {Cp936("您还未选择搜索的网盘噢！")});
    EXPECT_EQ(globals_.CurrentPage.load(), 4);
    EXPECT_EQ(window_->Caption(StartButton), Cp936("开始搜索"));
    EXPECT_TRUE(window_->StartCaptions().empty());
    EXPECT_TRUE(simulator_->RequestTargets().empty());
}

TEST_F(Handlers, SearchNextNextPreviousSendsPages0121)
{
    Press(&SearchController::OnStartSearchClicked);
    EXPECT_FALSE(window_->Enabled(PreviousButton));
    EXPECT_TRUE(window_->Enabled(NextButton));
    Press(&SearchController::OnNextPageClicked);
    Press(&SearchController::OnNextPageClicked);
    EXPECT_EQ(window_->Rows().size(), 10u);
    Press(&SearchController::OnPreviousPageClicked);

    EXPECT_EQ(simulator_->PageNumbers(), (std::vector<std::string> {"0", "1", "2", "1"}));
    EXPECT_EQ(window_->Caption(PageLabel), Cp936("当前页数：1"));
    EXPECT_TRUE(window_->Enabled(PreviousButton));
    EXPECT_EQ(window_->Rows()[0][1], "1");
    EXPECT_EQ(window_->Rows()[0][2], Cp936(sim::ShownTitle("kw", 11)));

    Press(&SearchController::OnPreviousPageClicked);
    EXPECT_EQ(window_->Caption(PageLabel), Cp936("当前页数：0"));
    EXPECT_FALSE(window_->Enabled(PreviousButton));

    // The start button always begins again at page 0, whatever its caption says.
    Press(&SearchController::OnNextPageClicked);
    EXPECT_EQ(window_->Caption(StartButton), Cp936("继续搜索"));
    Press(&SearchController::OnStartSearchClicked);
    EXPECT_EQ(simulator_->PageNumbers(), (std::vector<std::string> {"0", "1", "2", "1", "0", "1", "0"}));
    EXPECT_EQ(globals_.CurrentPage.load(), 0);
}

TEST_F(Handlers, PressesDuringARunAreRefused)
{
    simulator_->SetDelayMs(200);
    // Press every button while the run is filling its first row.
    int pressesSeen = 0;
    window_->OnAppendRow([&] {
        if (pressesSeen++ == 0) {
            controller_->OnNextPageClicked();
            controller_->OnPreviousPageClicked();
            controller_->OnStartSearchClicked();
        }
    });
    controller_->OnStartSearchClicked();
    EXPECT_TRUE(controller_->RunInProgress());
    controller_->OnNextPageClicked();
    EXPECT_EQ(globals_.CurrentPage.load(), 0);
    ASSERT_TRUE(controller_->WaitUntilIdle(30s));

    EXPECT_FALSE(controller_->RunInProgress());
    EXPECT_EQ(globals_.CurrentPage.load(), 0);
    EXPECT_EQ(simulator_->PageNumbers(), std::vector<std::string> {"0"});
    EXPECT_EQ(window_->Rows().size(), 10u);

    // Once the run is over the buttons work again.
    window_->OnAppendRow(nullptr);
    Press(&SearchController::OnNextPageClicked);
    EXPECT_EQ(simulator_->PageNumbers(), (std::vector<std::string> {"0", "1"}));
}

TEST_F(Handlers, QuickSearchSwitchCaptionsAndMessages)
{
    const struct {
        bool checked;
        Text caption;
        Text message;
    } cases[] = {
        {true, Cp936("关闭秒搜索"), Cp936("您好,您已经开启秒搜索模式！搜索速度很快,访问的网址可能有误！")},
        {false, Cp936("开启秒搜索"), Cp936("您好,您已经关闭秒搜索模式！搜索速度较慢,但会分析正确地址！")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.checked);
        window_->ClearRecord();
        window_->SetChecked(c.checked);
        controller_->OnQuickSearchClicked();
        EXPECT_EQ(window_->Caption(QuickSearchBox), c.caption);
        EXPECT_EQ(window_->Reminders(), std::vector<Text> {c.message});
    }
}

TEST_F(Handlers, DoubleClickOpensOnlyWebAddresses)
{
    const struct {
        Text address;
        bool opened;
    } cases[] = {
        {"http://pan.baidu.com/s/1", true},
        {"HTTPS://pan.baidu.com/s/1", true},
        {"Http://x", true},
        {"", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},
        {"calc.exe", false},
        {" http://x", false},
        {"http:/x", false},
        {"ftp://x", false},
    };
    for (const auto& c : cases) {
        window_->AddRowForTest({c.address, "1", "t"});
    }
    std::vector<Text> expected;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].address);
        EXPECT_EQ(IsWebAddress(cases[i].address), cases[i].opened);
        window_->SetSelectedRow(static_cast<int>(i));
        controller_->OnResultListDoubleClicked();
        if (cases[i].opened) {
            expected.push_back(cases[i].address);
        }
        EXPECT_EQ(shell_.Opened(), expected);
    }
    window_->SetSelectedRow(-1);
    controller_->OnResultListDoubleClicked();
    EXPECT_EQ(shell_.Opened(), expected);
}

TEST_F(Handlers, DoubleClickOpensWhatARunWrote)
{
    Press(&SearchController::OnStartSearchClicked);
    window_->SetSelectedRow(2);
    controller_->OnResultListDoubleClicked();
    EXPECT_EQ(shell_.Opened(), std::vector<Text> {simulator_->BaseUrl() + "/link?id=3&site=pan.baidu.com"});
}

} // namespace
} // namespace kf
