// Tests of the cp936 <-> UTF-8 / UTF-16 conversions.
#include "text/Codepage.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <random>
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

// The converter exactly as a caller would set it up: every undecodable sequence gives U+FFFD.
std::u16string IcuDecode(std::string_view bytes)
{
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("windows-936-2000", &error);
    EXPECT_TRUE(U_SUCCESS(error));
    const auto callback = [](const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                              UConverterCallbackReason reason, UErrorCode* code) {
        if (reason <= UCNV_IRREGULAR) {
            *code = U_ZERO_ERROR;
            const UChar replacement = 0xFFFD;
            ucnv_cbToUWriteUChars(args, &replacement, 1, 0, code);
        }
    };
    ucnv_setToUCallBack(converter, callback, nullptr, nullptr, nullptr, &error);
    std::u16string out(bytes.size() * 2 + 4, u'\0');
    const int32_t length = ucnv_toUChars(converter, out.data(), static_cast<int32_t>(out.size()),
        bytes.data(), static_cast<int32_t>(bytes.size()), &error);
    ucnv_close(converter);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

TEST(Codepage, DecodingAgreesWithTheIcuConverter)
{
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 1; trail <= 0xFF; ++trail) {
            const std::string pair {static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_EQ(Utf16FromCp936(pair), IcuDecode(pair)) << std::hex << lead << " " << trail;
        }
    }
    // Random mixes of lead bytes, trail bytes, ASCII and the odd single bytes.
    std::mt19937 random(936);
    const std::string alphabet = "\x81\x90\xA1\xB0\xD6\xFE\x80\xFF\x40\x7F\xA1\xC4 a\n";
    for (int n = 0; n < 20000; ++n) {
        std::string bytes(1 + random() % 9, ' ');
        for (char& byte : bytes) {
            byte = alphabet[random() % alphabet.size()];
        }
        ASSERT_EQ(Utf16FromCp936(bytes), IcuDecode(bytes));
    }
}

} // namespace
} // namespace kf
