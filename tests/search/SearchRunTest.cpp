// The search run against the in-process engine simulator, through a recording window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineSimulator.h"
#include "RecordingWindow.h"
#include "search/RunSearch.h"
#include "text/Codepage.h"

namespace kf {
namespace {

using controls::CountBox;
using controls::CountLabel;
using controls::KeywordBox;
using controls::NextButton;
using controls::PageLabel;
using controls::PreviousButton;
using controls::ResultList;
using controls::StartButton;

constexpr const char* Domain = "pan.baidu.com";

class SearchRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        options_.total = 25;
        Restart();
        window_.SetText(KeywordBox, "kw");
    }

    void Restart()
    {
        simulator_ = std::make_unique<sim::EngineSimulator>(options_);
        ASSERT_GT(simulator_->Start(), 0);
        globals_.SiteQueryPrefix.Set(simulator_->BaseUrl() + "/s?wd=site:" + Domain + " ");
    }

    void Run(int page)
    {
        globals_.CurrentPage = page;
        RunSearch(globals_, window_);
    }

    Text Link(int number) const
    {
        return simulator_->BaseUrl() + "/link?id=" + std::to_string(number) + "&site=" + Domain;
    }
    static Text Title(std::string_view keyword, int number)
    {
        return Cp936(sim::ShownTitle(keyword, number));
    }

    sim::SimulatorOptions options_;
    std::unique_ptr<sim::EngineSimulator> simulator_;
    Globals globals_;
    test::RecordingWindow window_;
};

TEST_F(SearchRun, QuickModeFillsRowsFromThePage)
{
    window_.SetChecked(true);
    Run(0);

    const auto rows = window_.Rows();
    ASSERT_EQ(rows.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i][0], Link(i + 1));
        EXPECT_EQ(rows[i][1], std::to_string(i + 1));
        EXPECT_EQ(rows[i][2], Title("kw", i + 1));
    }
    EXPECT_EQ(window_.Caption(CountLabel), Cp936("结果约为：25个"));
    EXPECT_EQ(window_.Caption(PageLabel), Cp936("当前页数：0"));
    EXPECT_EQ(window_.Caption(StartButton), Cp936("继续搜索"));
    EXPECT_TRUE(window_.Enabled(StartButton));
    EXPECT_TRUE(window_.Enabled(ResultList));
    EXPECT_FALSE(window_.Enabled(PreviousButton));
    EXPECT_TRUE(window_.Enabled(NextButton));
    EXPECT_TRUE(window_.Reminders().empty());
    EXPECT_EQ(globals_.ResultRowCounter.load(), 10);

    std::vector<Text> progress
        = {Cp936("搜索中..."), Cp936("创建标题..."), Cp936("创建地址..."), Cp936("获取结果...")};
    progress.insert(progress.end(), 10, Cp936("匹配标题中..."));
    progress.push_back(Cp936("继续搜索"));
    EXPECT_EQ(window_.StartCaptions(), progress);

    // Only the page was fetched, and its text stays behind cleaned.
    EXPECT_EQ(simulator_->RequestTargets().size(), 1u);
    const Text last = globals_.LastPageText.Get();
    EXPECT_NE(last.find(Cp936("百度为您找到相关结果约25个")), std::string::npos);
    EXPECT_EQ(last.find(' '), std::string::npos);
    EXPECT_EQ(last.find('\t'), std::string::npos);
}

TEST_F(SearchRun, NormalModeResolvesEveryAddress)
{
    Run(0);

    const auto rows = window_.Rows();
    ASSERT_EQ(rows.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i][0], sim::RealAddress(Domain, i + 1));
        EXPECT_EQ(rows[i][1], std::to_string(i + 1));
        EXPECT_EQ(rows[i][2], Title("kw", i + 1));
    }
    const auto targets = simulator_->RequestTargets();
    ASSERT_EQ(targets.size(), 11u);
    EXPECT_EQ(targets[1], "/link?id=1&site=pan.baidu.com");

    std::vector<Text> progress
        = {Cp936("搜索中..."), Cp936("创建标题..."), Cp936("创建地址..."), Cp936("获取结果...")};
    for (int i = 0; i < 10; ++i) {
        progress.push_back(Cp936("匹配地址中..."));
        progress.push_back(Cp936("匹配标题中..."));
    }
    progress.push_back(Cp936("继续搜索"));
    EXPECT_EQ(window_.StartCaptions(), progress);
    EXPECT_TRUE(window_.Enabled(NextButton));
}

TEST_F(SearchRun, LastPageIsNumberedFromOneAndEndsPaging)
{
    window_.SetChecked(true);
    Run(2);

    const auto rows = window_.Rows();
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i][1], std::to_string(i + 1));
        EXPECT_EQ(rows[i][2], Title("kw", 21 + i));
        EXPECT_EQ(rows[i][0], Link(21 + i));
    }
    EXPECT_EQ(window_.Caption(PageLabel), Cp936("当前页数：2"));
    EXPECT_TRUE(window_.Enabled(PreviousButton));
    EXPECT_FALSE(window_.Enabled(NextButton));
    EXPECT_EQ(simulator_->PageNumbers(), std::vector<std::string> {"2"});
}

TEST_F(SearchRun, NoResultShowsTheMessage)
{
    const struct {
        const char* name;
        Text keyword;
        int page;
    } cases[]
        = {{"no result", "none", 3}, {"empty page after the last", "kw", 5}, {"negative page", "kw", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window_.ClearRecord();
        window_.SetText(KeywordBox, c.keyword);
        Run(c.page);
        EXPECT_TRUE(window_.Rows().empty());
        EXPECT_EQ(
            window_.Reminders(), std::vector<Text> {Cp936("未找到相关内容,请更改网盘或搜索其他内容！")});
        EXPECT_EQ(window_.LabelsAtReminder(), std::vector<Text> {Cp936("当前页数：0|结果约为：0")});
        EXPECT_EQ(window_.Caption(PageLabel), Cp936("当前页数：") + std::to_string(c.page));
        EXPECT_EQ(window_.Caption(CountLabel), Cp936("结果约为：0"));
        EXPECT_TRUE(window_.Enabled(PreviousButton));
        EXPECT_FALSE(window_.Enabled(NextButton));
        EXPECT_TRUE(window_.Enabled(StartButton));
        EXPECT_EQ(window_.Caption(StartButton), Cp936("继续搜索"));
    }
}

TEST_F(SearchRun, UnreachableEngineEndsLikeNoResult)
{
    const int port = simulator_->Port();
    simulator_->Stop();
    globals_.SiteQueryPrefix.Set("http://127.0.0.1:" + std::to_string(port) + "/s?wd=site:x ");
    Run(0);
    EXPECT_TRUE(window_.Rows().empty());
    EXPECT_EQ(window_.Reminders().size(), 1u);
    EXPECT_EQ(window_.Caption(CountLabel), Cp936("结果约为：0"));
    EXPECT_FALSE(window_.Enabled(PreviousButton));
    EXPECT_FALSE(window_.Enabled(NextButton));
}

TEST_F(SearchRun, NextPageDecisionReadsRowRMinusOne)
{
    options_.unresolvedResults = {10};
    Restart();
    const struct {
        const char* name;
        bool quick;
        Text countAtEnd; // what the result-count box reads at the end of the run
        bool nextEnabled;
    } cases[] = {
        {"full page", true, "10", true},
        {"count box changed to 20 during the run", true, "20", false},
        {"count box changed to 5: row 4 decides", true, "5", true},
        {"not a number", true, "abc", false},
        {"last expected row without an address", false, "10", false},
        {"an earlier row decides in normal mode", false, "9", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window_.SetChecked(c.quick);
        window_.ScriptCountBoxReads({"10", c.countAtEnd});
        Run(0);
        ASSERT_EQ(window_.Rows().size(), 10u);
        EXPECT_EQ(window_.Enabled(NextButton), c.nextEnabled);
    }
}

TEST_F(SearchRun, CheckBoxToggledMidRunAppliesFromTheNextRow)
{
    window_.SetChecked(false);
    window_.FlipCheckedAfterReads(3);
    Run(0);
    const auto rows = window_.Rows();
    ASSERT_EQ(rows.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i][0], i < 3 ? Text(sim::RealAddress(Domain, i + 1)) : Link(i + 1));
    }
    EXPECT_EQ(simulator_->RequestTargets().size(), 4u);
}

TEST_F(SearchRun, KeywordsRoundTripThroughTheEngine)
{
    window_.SetChecked(true);
    const struct {
        const char* name;
        Text keyword;
        Text firstTitle;
    } cases[] = {
        {"ascii", "kw", Cp936("kw相关结果第1条")},
        {"chinese with a blank", Cp936("网盘 资源"), Cp936("网盘资源相关结果第1条")},
        {"empty", "", Cp936("相关结果第1条")},
        {"markup", "<b>", Cp936("&lt;b&gt;相关结果第1条")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window_.SetText(KeywordBox, c.keyword);
        Run(0);
        const auto rows = window_.Rows();
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows[0][2], c.firstTitle);
        EXPECT_EQ(window_.Caption(CountLabel), Cp936("结果约为：25个"));
    }
}

TEST_F(SearchRun, KeywordGoesIntoTheAddressUnescaped)
{
    window_.SetChecked(true);
    window_.SetText(KeywordBox, "a&rn=3");
    window_.SetText(CountBox, "20");
    Run(0);
    const auto targets = simulator_->RequestTargets();
    ASSERT_EQ(targets.size(), 1u);
    // The ampersand in the keyword adds its own key before the run's own pn and rn.
    EXPECT_NE(targets[0].find("&rn=3&pn=0&rn=20"), std::string::npos) << targets[0];
    EXPECT_EQ(window_.Rows().size(), 3u);
    EXPECT_EQ(window_.Rows()[0][2], Title("a", 1));
}

} // namespace
} // namespace kf
