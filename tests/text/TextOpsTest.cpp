// Tests of the cp936 text primitives, the marker helpers and the address helpers.
#include "text/TextOps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "text/Codepage.h"

namespace kf {
namespace {

using namespace std::string_literals;

TEST(FindText, FollowsTheCandidateRules)
{
    struct Case {
        std::string text, needle;
        int start;
        bool ignoreCase;
        int expected;
    };
    const Case cases[] = {
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "c", 1, false, 3},
        {"abc", "c", 9, false, -1},
        {"abc", "c", 3, false, 3},
        {"abc", "c", 4, false, -1},
        {"ABC", "b", 1, false, -1},
        {"ABC", "b", 1, true, 2},
        {"abc", "B", 1, true, 2},
        {"abc", "a", 0, false, 1},
        {"abc", "a", -5, false, 1},
        {"abc", "", 1, false, 1},
        {"abc", "", 3, false, 1}, // an empty needle gives 1 whatever the start
        {"abc", "", 4, false, -1},
        {"", "", 1, false, -1},
        {"", "a", 1, false, -1},
        {"ab", "abc", 1, false, -1},
        {"abc", "abc", 1, false, 1},
        {"xx\0abc"s, "abc", 1, false, -1}, // the text ends at its first zero
        {"abc", "b\0zz"s, 1, false, 2},
        // Double-byte characters: 中 D6 D0, 文 CE C4, 丄 81 41 ("A" as second byte).
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", 1, false, -1},
        {"\xD6\xD0\xCE\xC4", "\xCE\xC4", 1, false, 3},
        {"\x81\x41", "A", 1, false, -1},
        {"\x81\x41"
         "A",
            "A", 1, false, 3},
        {"\x81\x41", "a", 1, true, -1},
        // A start on a second byte puts the stepping out of line with the characters.
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", 2, false, 2},
        // Folding applies to every byte, the second byte of a character too.
        {"\x81\x41", "\x81\x61", 1, true, 1},
        {"\x81\x41", "\x81\x61", 1, false, -1},
        // A lead byte at the very end is a candidate of its own.
        {"a\xD6", "\xD6", 1, false, 2},
        {"\xD6\xD0"
         "b",
            "b", 1, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << c.text << "' needle '" << c.needle << "' start "
                                        << c.start << " ignoreCase " << c.ignoreCase);
        EXPECT_EQ(FindText(c.text, c.needle, c.start, c.ignoreCase), c.expected);
    }
}

TEST(TextParts, LeftRightMiddleAndRemove)
{
    EXPECT_EQ(LeftPart("abcdef", 2), "ab");
    EXPECT_EQ(LeftPart("abc", 9), "abc");
    EXPECT_EQ(LeftPart("abc", 0), "");
    EXPECT_EQ(LeftPart("abc", -1), "");
    EXPECT_EQ(RightPart("abcdef", 2), "ef");
    EXPECT_EQ(RightPart("abc", 9), "abc");
    EXPECT_EQ(RightPart("abc", 0), "");
    EXPECT_EQ(RightPart("abc", -3), "");
    EXPECT_EQ(RightPart("ab\0cd"s, 1), "b");
    EXPECT_EQ(MiddlePart("abcdef", 2, 3), "bcd");
    EXPECT_EQ(MiddlePart("abcdef", 5, 9), "ef");
    EXPECT_EQ(MiddlePart("abcdef", 6, 1), "f");
    EXPECT_EQ(MiddlePart("abcdef", 7, 1), "");
    EXPECT_EQ(MiddlePart("abcdef", 0, 2), "");
    EXPECT_EQ(MiddlePart("abcdef", 2, 0), "");
    EXPECT_EQ(RemoveLeadingBytes("abcdef", 2), "cdef");
    EXPECT_EQ(RemoveLeadingBytes("abc", 9), "");
    EXPECT_EQ(RemoveLeadingBytes("abc", 0), "abc");
    EXPECT_EQ(RemoveLeadingBytes("abc", -2), "abc");
}

TEST(TextCase, LowerCaseLeavesDoubleByteCharactersAlone)
{
    EXPECT_EQ(LowerCase("AbC-XYZ09"), "abc-xyz09");
    EXPECT_EQ(LowerCase("\x81\x41"
                        "A"),
        "\x81\x41"
        "a");
    EXPECT_EQ(LowerCase("A\xD6"), "a\xD6"); // lead byte at the end
    EXPECT_EQ(LowerCase(""), "");
}

TEST(TextTrim, RemovesAsciiAndIdeographicBlanksOnly)
{
    const Text ideographic = Cp936("　");
    ASSERT_EQ(ideographic, "\xA1\xA1");
    EXPECT_EQ(TrimBlanks("  ab c  "), "ab c");
    EXPECT_EQ(TrimBlanks(ideographic + " x" + ideographic + ideographic), "x");
    EXPECT_EQ(TrimBlanks("\tx\r\n"), "\tx\r\n");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    // The trailing A1 A1 here is the second half of one character and a lone lead byte.
    EXPECT_EQ(TrimBlanks("x\xA1\xA1\xA1"), "x\xA1\xA1\xA1");
    EXPECT_EQ(TrimBlanks("x\xB0\xA1\xA1\xA1"), "x\xB0\xA1");
}

TEST(TextReplace, ScansByCharacters)
{
    struct Case {
        std::string text, old, replacement;
        int count;
        bool exactCase;
        std::string expected;
    };
    const Case cases[] = {
        {"a b c", " ", "", -1, true, "abc"},
        {"aXbXc", "X", "--", -1, true, "a--b--c"},
        {"aXbXc", "X", "-", 1, true, "a-bXc"},
        {"aXbXc", "X", "-", 0, true, "aXbXc"},
        {"aXbxc", "x", "-", -1, false, "a-b-c"},
        {"aXbxc", "x", "-", -1, true, "aXb-c"},
        {"aaa", "aa", "b", -1, true, "ba"},
        {"", "a", "b", -1, true, ""},
        {"abc", "", "x", -1, true, "abc"},
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", "x", -1, true, "\xD6\xD0\xCE\xC4"},
        {"\x81\x41"
         "A",
            "A", "b", -1, true,
            "\x81\x41"
            "b"},
        {"ab\xD6", "\xD6", "z", -1, true, "abz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << c.text << "' old '" << c.old << "'");
        EXPECT_EQ(ReplaceText(c.text, c.old, c.replacement, c.count, c.exactCase), c.expected);
    }
}

TEST(TextNumber, ReadsTheLeadingDecimalNumber)
{
    struct Case {
        std::string text;
        double expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"  -3.5abc", -3.5},
        {"\t\r\n+7", 7},
        {"1e3x", 1000},
        {"2.5E-1", 0.25},
        {"1e", 1},
        {"1e+", 1},
        {".5", 0.5},
        {"5.", 5},
        {".", 0},
        {"-", 0},
        {"", 0},
        {"abc", 0},
        {"12 34", 12},
        {"0x1A", 0},
        {Cp936("　１２３"), 123},
        {Cp936("－１．５"), -1.5},
        {Cp936("＋９e1"), 90},
        {Cp936("3４"), 34},
        {Cp936("12中"), 12},
        {"1e999", HUGE_VAL},
        {"-1e999", -HUGE_VAL},
        {"1e-999", 0},
        {std::string(400, '9') + "e-300", 1e100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << c.text << "'");
        if (std::isinf(c.expected)) {
            EXPECT_EQ(ToNumber(c.text), c.expected);
        } else {
            EXPECT_NEAR(ToNumber(c.text), c.expected, std::abs(c.expected) * 1e-9);
        }
    }
}

TEST(TextBetween, CutsBetweenMarkers)
{
    struct Case {
        std::string text, startMarker, endMarker;
        int start;
        bool caseSensitive;
        std::string expected;
    };
    const Text quoteWord = Cp936("#引号");
    const Case cases[] = {
        {"x<b>Y</b>z", "<b>", "</b>", 1, false, "Y"},
        {"x<b>Y</b>z", "<B>", "</b>", 1, false, "Y"},
        {"x<b>Y</b>z", "<B>", "</b>", 1, true, ""},
        {"x<b>Y</b>z", "<i>", "</b>", 1, false, ""},
        {"x<b>Y</i>z", "<b>", "</b>", 1, false, ""},
        {"x<b>Y</b>z", "<b>", "", 1, false, ""},
        {"x<b>Y</b>z", "", "<b>", 1, false, "x"},
        {"<a href=\"u1\">", "href=" + quoteWord, quoteWord, 1, false, "u1"},
        // The start position applies to the remainder again: here it skips the first end marker.
        {"--[a]b]c", "[", "]", 3, false, "a]b"},
        {"[a]", "[", "]", 5, false, ""},
        {"[a]b", "[", "]", 2, false, ""},
        {"", "[", "]", 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << c.text << "' markers '" << c.startMarker << "' '"
                                        << c.endMarker << "' start " << c.start);
        EXPECT_EQ(TextBetween(c.text, c.startMarker, c.endMarker, c.start, c.caseSensitive), c.expected);
    }
}

TEST(TextBefore, CutsLeftOfTheMarker)
{
    EXPECT_EQ(TextBefore("a=1; path=/", ";"), "a=1");
    EXPECT_EQ(TextBefore("a=1", ";"), "");
    EXPECT_EQ(TextBefore("a;b;c", ";", 3), "a;b");
    EXPECT_EQ(TextBefore("a;b;c", ";", 0), "a");
    EXPECT_EQ(TextBefore("aXb", "x"), "");
    EXPECT_EQ(TextBefore("aXb", "x", 1, true), "a");
    EXPECT_EQ(TextBefore("abc", ""), "");
}

TEST(UrlHelpers, HostPathAndPort)
{
    const std::pair<std::string, std::string> hosts[] = {
        {"http://Host1:8080/a/b?x=1", "host1"},
        {"Host1", "host1"},
        {"HTTP://Host1/", "http"},
        {"https://WWW.x.com/p", "www.x.com"},
        {"x/http://y", "x"},
        {"", ""},
    };
    for (const auto& [address, expected] : hosts) {
        SCOPED_TRACE(address);
        EXPECT_EQ(UrlHost(address), expected);
    }
    const std::pair<std::string, std::string> paths[] = {
        {"http://host1", "/"},
        {"http://host1:81/a?b=1", "/a?b=1"},
        {"host1/x", "/x"},
        {"https://h/p#f", "/p#f"},
        {"http://t/x", "/x"},
        {"http:///x", "/x"},
        {"http://HOST1/Q", "/Q"},
        {"", "/"},
    };
    for (const auto& [address, expected] : paths) {
        SCOPED_TRACE(address);
        EXPECT_EQ(UrlPath(address), expected);
    }
    const std::pair<std::string, int> ports[] = {
        {"http://host1/x", 80},
        {"host1:8080/x", 8080},
        {"HTTP://host1:81", 81},
        {"http://host1:/x", 0},
        {"https://host1/x", 0},
        {"host1", 80},
        {"http://h:12.9/", 12},
        {"http://h:99999999999/", 2147483647},
        {"http://h:-5/", -5},
        {"", 80},
    };
    for (const auto& [address, expected] : ports) {
        SCOPED_TRACE(address);
        EXPECT_EQ(UrlPort(address), expected);
    }
}

} // namespace
} // namespace kf
