// Tests of the cp936 <-> UTF-8 / UTF-16 conversions.
#include "text/Codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace kf {
namespace {

using namespace std::string_literals;

TEST(Codepage, RoundTripsChineseAndAscii)
{
    EXPECT_EQ(Cp936("中文 abc"), "\xD6\xD0\xCE\xC4 abc");
    EXPECT_EQ(Cp936("#引号"), "#\xD2\xFD\xBA\xC5");
    EXPECT_EQ(Utf8FromCp936("\xD6\xD0\xCE\xC4 abc"), "中文 abc");
    EXPECT_EQ(Utf16FromCp936("\xD6\xD0"
                             "a"),
        u"中a");
    EXPECT_EQ(Cp936FromUtf16(u"文b"),
        "\xCE\xC4"
        "b");
    EXPECT_EQ(Cp936(""), "");
    EXPECT_EQ(Utf8FromCp936(""), "");
}

TEST(Codepage, UnmappableAndMalformedBecomeQuestionMarks)
{
    EXPECT_EQ(Cp936FromUtf8("a😀b"), "a?b"); // no cp936 form
    EXPECT_EQ(Cp936FromUtf8("a\xFF"
                            "b"),
        "a?b"); // malformed UTF-8
    EXPECT_EQ(Cp936FromUtf8("a\xE4\xB8"), "a?"); // truncated sequence at the end
    EXPECT_EQ(Cp936FromUtf8("ab\0cd"s), "ab"); // input ends at its first zero
    EXPECT_EQ(Cp936FromUtf16(u"x\xD800y"), "x?y"); // unpaired surrogate
    EXPECT_EQ(Cp936FromUtf16(u"x\0y"s), "x");
}

TEST(Codepage, InvalidCp936BecomesReplacementCharacter)
{
    // A lead byte without a valid second byte; the second byte is read again on its own.
    EXPECT_EQ(Utf8FromCp936("a\x81 b"), "a\xEF\xBF\xBD b");
    // 0x80 and 0xFF are mapped as Windows maps them.
    EXPECT_EQ(Utf8FromCp936("\x80"), "€");
    EXPECT_EQ(Utf8FromCp936("\xFF"), "\xEF\xA3\xB5");
    EXPECT_EQ(Utf8FromCp936("ab\xD6"), "ab\xEF\xBF\xBD"); // lead byte at the very end
    EXPECT_EQ(Utf8FromCp936("ab\0\xD6\xD0"s), "ab");
}

TEST(Codepage, LargeInputConvertsWhole)
{
    std::string utf8;
    for (int i = 0; i < 200000; ++i) {
        utf8 += "中a";
    }
    const Text text = Cp936FromUtf8(utf8);
    EXPECT_EQ(text.size(), 600000u);
    EXPECT_EQ(Utf8FromCp936(text), utf8);
}

} // namespace
} // namespace kf
