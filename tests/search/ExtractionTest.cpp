// The result-page and redirect-page rules on stored texts: patterns, markers, clean-up and cuts.
#include "search/Extraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "text/Codepage.h"
#include "text/RegexMatcher.h"
#include "text/TextOps.h"

namespace kf {
namespace {

std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<Text> Captures(std::string_view pattern, std::string_view subject)
{
    RegexMatcher matcher;
    matcher.Search(pattern, subject);
    std::vector<Text> out;
    for (int i = 1; i <= matcher.MatchCount(); ++i) {
        out.push_back(matcher.SubMatchText(i, 1));
    }
    matcher.Release();
    return out;
}

TEST(Extraction, PatternsAreExactBytes)
{
    ASSERT_EQ(TitlePattern.size(), 35u);
    const std::vector<std::size_t> titleFeeds = {1, 2, 18, 19};
    for (std::size_t i = 0; i < TitlePattern.size(); ++i) {
        SCOPED_TRACE(i);
        const bool feed = std::find(titleFeeds.begin(), titleFeeds.end(), i) != titleFeeds.end();
        EXPECT_EQ(TitlePattern[i] == '\n', feed);
        EXPECT_NE(TitlePattern[i], ' ');
    }
    EXPECT_EQ(TitlePattern.substr(0, 1), "\"");
    EXPECT_EQ(TitlePattern.substr(3, 15), "target=\"_blank\"");
    EXPECT_EQ(TitlePattern.substr(20, 15), ">(.*?)</a></h3>");

    ASSERT_EQ(LinkPattern.size(), 40u);
    EXPECT_EQ(LinkPattern.substr(0, 24), "<adata-nologhref=\"(.*?)\"");
    EXPECT_EQ(LinkPattern[24], '\n');
    EXPECT_EQ(LinkPattern.substr(25, 15), "target=\"_blank\"");
    EXPECT_EQ(LinkPattern.find(' '), std::string_view::npos);
    EXPECT_EQ(std::count(LinkPattern.begin(), LinkPattern.end(), '\n'), 1);
}

TEST(Extraction, MarkersAreCp936Bytes)
{
    struct Case {
        const char* name;
        const Text& marker;
        std::size_t size;
    };
    const Case cases[] = {
        {"count start", CountStartMarker(), 22},
        {"count fallback", CountFallbackMarker(), 20},
        {"count end", CountEndMarker(), 2},
        {"redirect start", RedirectStartMarker(), 19},
        {"redirect end", RedirectEndMarker(), 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.marker.size(), c.size);
    }
    EXPECT_EQ(Hex(RedirectStartMarker()), "B0 D9 B6 C8 BA CD CD F8 D2 B3 3C 61 20 68 72 65 66 3D 22");
    EXPECT_EQ(Hex(RedirectEndMarker()), "22 3E 68 74 74 70 3A 2F 2F");
    EXPECT_EQ(CountStartMarker(), CountFallbackMarker() + Cp936("约"));
}

TEST(Extraction, CleanResultPageRemovesTabsAndBlanksOnly)
{
    const struct {
        Text page;
        Text cleaned;
    } cases[] = {
        {"", ""},
        {" \t \t", ""},
        {"<a data-nolog\thref=\"x\"\r\n  target>", "<adata-nologhref=\"x\"\r\ntarget>"},
        {Cp936("百度 为您\t找到　相关"), Cp936("百度为您找到　相关")}, // the full-width blank stays
        {"a\vb\fc\n", "a\vb\fc\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.page));
        EXPECT_EQ(CleanResultPage(c.page), c.cleaned);
    }
}

TEST(Extraction, CleanResultPageStepsByCharactersLikeTwoRemovals)
{
    // A blank or tab that is the second byte of a (malformed) double-byte character stays, as it
    // does when the tabs and then the blanks are removed character by character.
    EXPECT_EQ(CleanResultPage("\x81 a \x81\tb\t\x81"), "\x81 a\x81\tb\x81");

    // Random pages over the bytes that matter give what the two removals give.
    std::mt19937 random(7);
    const char alphabet[] = {' ', '\t', 'a', '\n', '\x81', '\xA1', '\xB0', '\x40'};
    for (int round = 0; round < 2000; ++round) {
        Text page;
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i)
            page.push_back(alphabet[random() % sizeof alphabet]);
        SCOPED_TRACE(Hex(page));
        ASSERT_EQ(CleanResultPage(page), ReplaceText(ReplaceText(page, "\t"), " "));
    }
}

TEST(Extraction, PatternsReadOnlyTheCleanedLineFeedLayout)
{
    const Text lfPage
        = "<h3 class=\"t\"><a\n    href=\"http://e/link?id=1\"\n    \n    target=\"_blank\"\n    \n"
          "    ><em>kw</em> first title</a></h3>\n"
          "<a data-nolog href=\"http://e/link?id=1\"\n    target=\"_blank\" class=\"c-showurl\">x</a>\n";
    std::string crlfPage;
    for (const char c : lfPage) {
        if (c == '\n') {
            crlfPage += '\r';
        }
        crlfPage += c;
    }
    const struct {
        const char* name;
        Text page;
        std::vector<Text> titles;
        std::vector<Text> links;
    } cases[] = {
        {"line feeds", CleanResultPage(lfPage), {"<em>kw</em>firsttitle"}, {"http://e/link?id=1"}},
        {"uncleaned page", lfPage, {}, {}},
        {"carriage returns", CleanResultPage(crlfPage), {}, {}},
        {"one-line anchors",
            CleanResultPage("<a href=\"u\" target=\"_blank\">t</a></h3>\n<a data-nolog href=\"u\" "
                            "target=\"_blank\">x</a>\n"),
            {}, {}},
        {"capitals",
            CleanResultPage(
                "\"\n\nTARGET=\"_BLANK\"\n\n>T</A></H3>\n<A DATA-NOLOG HREF=\"L\"\nTarget=\"_Blank\"\n"),
            {"T"}, {"L"}},
        {"title cut at the first end tag", "\"\n\ntarget=\"_blank\"\n\n>a</a></h3>b</a></h3>\n", {"a"}, {}},
        {"no line feed inside", "\"\n\ntarget=\"_blank\"\n\n>a\nb</a></h3>\n", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Captures(TitlePattern, c.page), c.titles);
        EXPECT_EQ(Captures(LinkPattern, c.page), c.links);
    }
}

TEST(Extraction, CleanTitleRemovesLowerCaseEmTagsOnly)
{
    const struct {
        Text title;
        Text shown;
    } cases[] = {
        {CleanResultPage("<em>word</em> second"), "wordsecond"},
        {"<EM>word</EM>", "<EM>word</EM>"},
        {"<em><em>a</em></em>", "a"},
        {"<b>a</b>&amp;", "<b>a</b>&amp;"},
        {Cp936("<em>网盘</em>资源"), Cp936("网盘资源")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(CleanTitle(c.title), c.shown);
    }
}

TEST(Extraction, ResultCountTextWithFallback)
{
    const struct {
        const char* name;
        Text page;
        Text count;
    } cases[] = {
        {"first marker", Cp936("x百度为您找到相关结果约1,230,000个y"), "1,230,000"},
        {"fallback", Cp936("百度为您找到相关结果86个"), "86"},
        {"empty after first marker", Cp936("百度为您找到相关结果约个"), Cp936("约")},
        {"no marker", Cp936("没有找到相关结果约5个"), ""},
        {"no end marker", Cp936("百度为您找到相关结果约5"), ""},
        {"empty page", "", ""},
        {"utf-8 is not cp936", "百度为您找到相关结果约5个", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ResultCountText(c.page), c.count);
    }
}

TEST(Extraction, RealAddressFromRedirectPage)
{
    const Text start = Cp936("百度和网页");
    const struct {
        const char* name;
        Text response;
        Text address;
    } cases[] = {
        {"http anchor text", start + "<a href=\"http://a.example/x\">http://a.example/x</a>",
            "http://a.example/x"},
        {"capitals", start + "<A HREF=\"http://a.example/x\">HTTP://a.example/x</A>", "http://a.example/x"},
        {"https anchor text runs on to the next marker",
            start + "<a href=\"https://s.example/\">https://s.example/</a><a href=\"x\">http://y",
            "https://s.example/\">https://s.example/</a><a href=\"x"},
        {"https anchor text and nothing after",
            start + "<a href=\"https://s.example/\">https://s.example/</a>", ""},
        {"no start marker", "<a href=\"http://a.example/\">http://a.example/</a>", ""},
        {"start marker in utf-8", "百度和网页<a href=\"http://a.example/\">http://a.example/</a>", ""},
        {"two blanks", start + "<a  href=\"http://a.example/\">http://a.example/</a>", ""},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RealAddressFromRedirectPage(c.response), c.address);
    }
}

} // namespace
} // namespace kf
