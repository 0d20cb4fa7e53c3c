// The catalogue's invariants and the query prefix that selecting a site builds.
#include "sites/SiteCatalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace kf {
namespace {

TEST(SiteCatalogue, EntriesAreNumberedAndPagedLikeTheButtons)
{
    const auto sites = SiteCatalogue();
    ASSERT_EQ(sites.size(), 93u);
    // Pages hold these number ranges: 1-18, 82-93, 19-30, 31-45, 46-63, 64-81.
    const auto pageOf = [](int n) {
        if (n <= 18)
            return 1;
        if (n <= 30)
            return 3;
        if (n <= 45)
            return 4;
        if (n <= 63)
            return 5;
        if (n <= 81)
            return 6;
        return 2;
    };
    std::map<int, int> perPage;
    for (int n = 1; n <= 93; ++n) {
        SCOPED_TRACE(n);
        const SiteEntry& e = sites[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(e.number, n);
        EXPECT_EQ(e.page, pageOf(n));
        EXPECT_EQ(FindSite(n), &e);
        ++perPage[e.page];
    }
    EXPECT_EQ(perPage, (std::map<int, int> {{1, 18}, {2, 12}, {3, 12}, {4, 15}, {5, 18}, {6, 18}}));
    EXPECT_EQ(FindSite(0), nullptr);
    EXPECT_EQ(FindSite(94), nullptr);
}

TEST(SiteCatalogue, CaptionsKeepTheirExactSpelling)
{
    const struct {
        int number;
        std::string_view caption;
    } cases[] = {
        {1, "百度网盘"},
        {5, "Good网盘"},
        {18, "多特软件"},
        {41, "多特单机网"},
        {45, "hao123游戏"},
        {47, "热片网"},
        {48, "热片网"},
        {58, "风 行 网"},
        {60, "QQLive"},
        {73, "SongTaste"},
        {81, "百度音乐"},
        {82, "奇奇外挂"},
        {93, "T6T8外挂"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(FindSite(c.number)->caption, c.caption);
    }
}

TEST(SiteCatalogue, DomainsArePlainAndDistinctExceptTheSharedPair)
{
    std::map<std::string_view, std::set<int>> byDomain;
    std::map<std::string_view, std::set<int>> byCaption;
    for (const SiteEntry& e : SiteCatalogue()) {
        SCOPED_TRACE(e.number);
        EXPECT_FALSE(e.domain.empty());
        EXPECT_EQ(e.domain.find_first_of(" /:?#\t"), std::string_view::npos) << e.domain;
        EXPECT_NE(e.domain.find('.'), std::string_view::npos) << e.domain;
        byDomain[e.domain].insert(e.number);
        byCaption[e.caption].insert(e.number);
    }
    for (const auto& [domain, numbers] : byDomain) {
        SCOPED_TRACE(std::string(domain));
        EXPECT_TRUE(numbers.size() == 1 || numbers == (std::set<int> {18, 41}));
    }
    EXPECT_EQ(byDomain[FindSite(18)->domain], (std::set<int> {18, 41}));
    for (const auto& [caption, numbers] : byCaption) {
        SCOPED_TRACE(std::string(caption));
        EXPECT_TRUE(numbers.size() == 1 || numbers == (std::set<int> {47, 48}));
    }
    EXPECT_NE(FindSite(47)->domain, FindSite(48)->domain);
}

TEST(SiteCatalogue, PageCaptions)
{
    const auto pages = PageCaptions();
    const std::vector<std::string_view> expected {
        "搜索网盘", "外挂辅助", "QQ教程网", "单机游戏", "电影视频", "音乐倾听"};
    EXPECT_EQ(std::vector<std::string_view>(pages.begin(), pages.end()), expected);
}

TEST(SelectSite, BuildsThePrefixAndTheLastClickWins)
{
    Globals globals;
    EXPECT_TRUE(globals.SiteQueryPrefix.Empty());
    EXPECT_EQ(EngineAddress(), "http://www.baidu.com");

    OnSiteButtonClicked(globals, 18, true);
    const Text first = globals.SiteQueryPrefix.Get();
    EXPECT_EQ(first, "http://www.baidu.com/s?wd=site:" + std::string(FindSite(18)->domain) + " ");
    OnSiteButtonClicked(globals, 41, true);
    EXPECT_EQ(globals.SiteQueryPrefix.Get(), first);

    OnSiteButtonClicked(globals, 47, true);
    const Text film = globals.SiteQueryPrefix.Get();
    OnSiteButtonClicked(globals, 48, true);
    EXPECT_NE(globals.SiteQueryPrefix.Get(), film);

    // A click that leaves the button unchecked selects nothing.
    OnSiteButtonClicked(globals, 1, false);
    EXPECT_EQ(globals.SiteQueryPrefix.Get().find(FindSite(1)->domain), std::string::npos);

    for (const SiteEntry& e : SiteCatalogue()) {
        OnSiteButtonClicked(globals, e.number, true);
        const Text prefix = globals.SiteQueryPrefix.Get();
        ASSERT_GE(prefix.size(), 2u);
        EXPECT_EQ(prefix.back(), ' ');
        EXPECT_NE(prefix[prefix.size() - 2], ' ') << e.number;
        EXPECT_EQ(prefix.rfind(" ", prefix.size() - 2), std::string::npos) << e.number;
    }
}

} // namespace
} // namespace kf
