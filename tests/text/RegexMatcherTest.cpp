// Tests of RegexMatcher: options, matches and groups, cp936 byte positions, bad input.
#include "text/RegexMatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/Codepage.h"

namespace kf {
namespace {

using namespace std::string_literals;

std::vector<Text> AllMatches(const RegexMatcher& matcher)
{
    std::vector<Text> texts;
    for (int i = 1; i <= matcher.MatchCount(); ++i) {
        texts.push_back(matcher.MatchText(i));
    }
    return texts;
}

TEST(RegexMatcher, MatchesByTheOptionRules)
{
    struct Case {
        std::string pattern, subject;
        bool caseSensitive, multiline, global;
        std::vector<Text> expected;
    };
    const Case cases[] = {
        // Lazy on a line; matches in order without overlap.
        {"<b>.*?</b>", "<b>x</b><b>y</b>", false, true, true, {"<b>x</b>", "<b>y</b>"}},
        {"<b>.*</b>", "<b>x</b><b>y</b>", false, true, true, {"<b>x</b><b>y</b>"}},
        // `.` never crosses a line feed, whatever the options; it does match a carriage return.
        {"<b>.*?</b>", "<b>x\n</b>", false, true, true, {}},
        {"<b>.*?</b>", "<b>x\n</b>", false, false, false, {}},
        {"<b>.*?</b>", "<b>x\r</b>", false, true, true, {"<b>x\r</b>"}},
        // A literal line feed in the pattern matches one.
        {"a\nb", "xa\nb", false, true, true, {"a\nb"}},
        // Case-insensitive by default.
        {"abc", "xABCx", false, true, true, {"ABC"}},
        {"abc", "xABCx", true, true, true, {}},
        // A Chinese character is one `.`.
        {"a.b", Cp936("a中b"), false, true, true, {Cp936("a中b")}},
        {"a..b", Cp936("a中b"), false, true, true, {}},
        {Cp936("中(.)"), Cp936("中文中a"), false, true, true, {Cp936("中文"), Cp936("中a")}},
        // Global off stops at the first match.
        {"a", "aaa", false, true, false, {"a"}},
        // ^ and $ at line breaks only in multi-line mode.
        {"^b$", "a\nb\nc", false, true, true, {"b"}},
        {"^b$", "a\nb\nc", false, false, true, {}},
        {"c$", "c\n", false, false, true, {}},
        // Empty matches advance one character.
        {"x*", "ab", false, true, true, {"", "", ""}},
        {"\\d*", "a1", false, true, true, {"", "1", ""}},
        {"x*", Cp936("中文"), false, true, true, {"", "", ""}},
        // The subject and the pattern end at their first zero byte.
        {"ab", "ab\0ab"s, false, true, true, {"ab"}},
        {"a\0zz"s, "aaz", false, true, true, {"a", "a"}},
        // JavaScript-like escapes.
        {"\\u0041", "xA", true, true, true, {"A"}},
        {"\\x41", "xA", true, true, true, {"A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern '" << c.pattern << "' subject '" << c.subject << "'");
        RegexMatcher matcher;
        EXPECT_TRUE(matcher.Search(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global));
        EXPECT_EQ(AllMatches(matcher), c.expected);
    }
}

TEST(RegexMatcher, GroupsAndOutOfRangeIndexes)
{
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("(\\w)=(\\d)?", "a=1 b= c=3"));
    ASSERT_EQ(matcher.MatchCount(), 3);
    EXPECT_EQ(matcher.SubMatchCount(), 2);
    EXPECT_EQ(matcher.SubMatchText(1, 1), "a");
    EXPECT_EQ(matcher.SubMatchText(1, 2), "1");
    EXPECT_EQ(matcher.SubMatchText(3, 2), "3");
    int position = 99;
    EXPECT_EQ(matcher.SubMatchText(2, 2, &position), ""); // took no part
    EXPECT_EQ(position, -2);
    const std::pair<int, int> outside[]
        = {{0, 1}, {-1, 1}, {4, 1}, {1, 0}, {1, 3}, {1, -1}, {INT_MAX, INT_MAX}};
    for (const auto& [i, j] : outside) {
        SCOPED_TRACE(testing::Message() << i << "," << j);
        position = 99;
        EXPECT_EQ(matcher.SubMatchText(i, j, &position), "");
        EXPECT_EQ(position, -2);
    }
    for (const int i : {0, -3, 4}) {
        position = 99;
        EXPECT_EQ(matcher.MatchText(i, &position), "");
        EXPECT_EQ(position, -2);
    }
    EXPECT_EQ(matcher.PatternText(), "(\\w)=(\\d)?");

    ASSERT_TRUE(matcher.Search("(a)(b)", "xyz"));
    EXPECT_EQ(matcher.MatchCount(), 0);
    EXPECT_EQ(matcher.SubMatchCount(), 0);
    EXPECT_EQ(matcher.SubMatchText(1, 1), "");
}

TEST(RegexMatcher, InvalidPatternAndNoSearch)
{
    RegexMatcher matcher;
    EXPECT_EQ(matcher.MatchCount(), 0);
    EXPECT_EQ(matcher.PatternText(), "");
    EXPECT_EQ(matcher.ReplaceAll("x"), "");
    EXPECT_EQ(matcher.MatchText(1), "");

    ASSERT_TRUE(matcher.Search("a", "aaa"));
    for (const std::string bad : {"(", "a{2,1}", "[z-a]", "*", "(?<", "\\C"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(matcher.Search(bad, "aaa((("));
        EXPECT_EQ(matcher.MatchCount(), 0);
        EXPECT_EQ(matcher.SubMatchCount(), 0);
        EXPECT_EQ(matcher.MatchText(1), "");
        EXPECT_EQ(matcher.SubMatchText(1, 1), "");
        EXPECT_EQ(matcher.ReplaceAll("x"), "");
        EXPECT_EQ(matcher.PatternText(), bad);
    }
    matcher.Release();
    EXPECT_EQ(matcher.PatternText(), "");
    EXPECT_TRUE(matcher.Search("a", "ba"));
    EXPECT_EQ(matcher.MatchCount(), 1);
}

TEST(RegexMatcher, PositionsAreCp936ByteOffsets)
{
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("(x)(y)", Cp936("中文ab中xy x中xy")));
    ASSERT_EQ(matcher.MatchCount(), 2);
    int position = 0;
    EXPECT_EQ(matcher.MatchText(1, &position), "xy");
    EXPECT_EQ(position, 8);
    EXPECT_EQ(matcher.SubMatchText(1, 2, &position), "y");
    EXPECT_EQ(position, 9);
    EXPECT_EQ(matcher.MatchText(2, &position), "xy");
    EXPECT_EQ(position, 14);

    // Each match's own offset, not the first place its text occurs.
    ASSERT_TRUE(matcher.Search("a", "aa"));
    EXPECT_EQ(matcher.MatchText(2, &position), "a");
    EXPECT_EQ(position, 1);

    ASSERT_TRUE(matcher.Search("(.)$", Cp936("ab中"), false, false));
    EXPECT_EQ(matcher.SubMatchText(1, 1, &position), Cp936("中"));
    EXPECT_EQ(position, 2);
}

TEST(RegexMatcher, InvalidCp936BytesComeBackAsTheSubjectsBytes)
{
    struct Case {
        std::string pattern, subject, expected;
        int position;
    };
    const Case cases[] = {
        {"x(.)", "x\x81 y", "\x81", 1}, // lead byte without a valid second byte
        {"x(..)", "x\x81 y", "\x81 ", 1},
        {"b(.)", "ab\xD6", "\xD6", 2}, // lead byte at the very end
        {"(.)y", "\x80y", "\x80", 0}, // the euro sign of code page 936
        {"(\\uFFFD)", "a\x81", "\x81", 1},
        {"(.)c", Cp936("中") + "\xFE\x20" + "c", " ", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern '" << c.pattern << "'");
        RegexMatcher matcher;
        ASSERT_TRUE(matcher.Search(c.pattern, c.subject));
        int position = 0;
        EXPECT_EQ(matcher.SubMatchText(1, 1, &position), c.expected);
        EXPECT_EQ(position, c.position);
    }
}

TEST(RegexMatcher, ReplaceAllUsesJavaScriptForms)
{
    struct Case {
        std::string pattern, subject, replacement, expected;
        bool global;
    };
    const Case cases[] = {
        {"(\\w+)@(\\w+)", "a@b c@d", "$2.$1", "b.a d.c", true},
        {"(\\w+)@(\\w+)", "a@b c@d", "$2.$1", "b.a c@d", false},
        {"(\\w+)@(\\w+)", "a@b", "[$$|$&|$3|$0|$10|$01|$]", "[$|a@b|$3|$0|a0|a|$]", true},
        {"b", "abc", "<$`|$'>", "a<a|c>c", true},
        {"(x)?b", "ab", "[$1]", "a[]", true},
        {"a", Cp936("中a文a"), Cp936("乙"), Cp936("中乙文乙"), true},
        {"z", "abc", "x", "abc", true},
        {"x*", "ab", "-", "-a-b-", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << "pattern '" << c.pattern << "' replacement '" << c.replacement << "'");
        RegexMatcher matcher;
        ASSERT_TRUE(matcher.Search(c.pattern, c.subject, false, true, c.global));
        EXPECT_EQ(matcher.ReplaceAll(c.replacement), c.expected);
    }
}

TEST(RegexMatcher, CopyKeepsTheResults)
{
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("<(.*?)>", "<a><b>"));
    const auto copy = matcher.Copy();
    matcher.Release();
    EXPECT_EQ(matcher.MatchCount(), 0);
    EXPECT_EQ(copy->MatchCount(), 2);
    EXPECT_EQ(copy->SubMatchText(2, 1), "b");
    EXPECT_EQ(copy->PatternText(), "<(.*?)>");
    EXPECT_EQ(copy->ReplaceAll("$1"), "ab");
}

TEST(RegexMatcher, BacktrackingPatternOnALargeSubjectEnds)
{
    // The required last character is present, so every start position backtracks in earnest.
    const std::string subject = "xb" + std::string(1 << 20, 'a') + "!b";
    for (const std::string pattern : {"(a+)+b", "(a|aa)*b", "(.*?)*b", "^(\\w+\\s?)*$", "(a*)*b"}) {
        SCOPED_TRACE(pattern);
        RegexMatcher matcher;
        EXPECT_TRUE(matcher.Search(pattern, subject));
        EXPECT_LE(matcher.MatchCount(), 1);
    }
    // A match found before the limit is reached is kept; the search ends at the limit.
    RegexMatcher matcher;
    EXPECT_TRUE(matcher.Search("xb|(a+)+b", subject));
    ASSERT_EQ(matcher.MatchCount(), 1);
    EXPECT_EQ(matcher.MatchText(1), "xb");
}

TEST(RegexMatcher, LargePageWithManyMatches)
{
    const Text row = Cp936("\"\n\ntarget=\"_blank\"\n\n>标题");
    Text page;
    int rows = 0;
    while (page.size() < (1u << 20)) {
        page += Cp936("中文填充内容 some filler text ") + std::string(200, 'z') + "\n";
        if (page.size() / 10000 > static_cast<std::size_t>(rows)) {
            page += row + std::to_string(rows) + "</a></h3>\n";
            ++rows;
        }
    }
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("\"\n\ntarget=\"_blank\"\n\n>(.*?)</a></h3>", page));
    ASSERT_EQ(matcher.MatchCount(), rows);
    for (int i = 1; i <= rows; ++i) {
        int position = 0;
        ASSERT_EQ(matcher.SubMatchText(i, 1, &position), Cp936("标题") + std::to_string(i - 1));
        ASSERT_EQ(page.compare(static_cast<std::size_t>(position), 4, Cp936("标题")), 0);
    }
}

} // namespace
} // namespace kf
