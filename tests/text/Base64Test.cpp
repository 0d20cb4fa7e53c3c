// Tests of the tolerant Base64 decoder and the five-layer decoding.
#include "text/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace kf {
namespace {

std::string Encode(std::string_view data)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t left = std::min<std::size_t>(3, data.size() - i);
        unsigned v = static_cast<unsigned char>(data[i]) << 16;
        if (left > 1) {
            v |= static_cast<unsigned char>(data[i + 1]) << 8;
        }
        if (left > 2) {
            v |= static_cast<unsigned char>(data[i + 2]);
        }
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += left > 1 ? alphabet[(v >> 6) & 63] : '=';
        out += left > 2 ? alphabet[v & 63] : '=';
    }
    return out;
}

TEST(Base64Decode, SlotAndTrimmingRules)
{
    struct Case {
        std::string text;
        Bytes expected;
    };
    const Case cases[] = {
        {"QUJD", {0x41, 0x42, 0x43}},
        {"QUI=", {0x41, 0x42}},
        {"QQ==", {0x41}},
        {"QU JD", {0x41, 0x42, 0x43}},
        {"QU\r\nJD", {0x41, 0x42, 0x43}},
        {"QU\r \nJD", {0x41, 0x42, 0x43}}, // blanks go first, then the CR LF pair they separated
        {"QU\xA1\xA1JD", {0x41, 0x42, 0x43}},
        {"", {}},
        {"  \r\n \xA1\xA1", {}},
        {"QUI", {0x41, 0x42, 0x00}},
        {"QQ", {0x41, 0x00, 0x00}},
        {"QUJD=", {0x41, 0x42}},
        {"====", {}},
        {"QU-DQUJD", {0x41, 0x4B, 0x40, 0x41, 0x42, 0x43}},
        // A lone LF stops its group like any byte outside the alphabet; the rest of that
        // group is skipped and the next group reads on.
        {"QUJD\nQUJD", {0x41, 0x42, 0x43, 0x29, 0x42, 0x43, 0x0C, 0x00, 0x00}},
        // A double-byte character is one unit while cleaning: its 0x20 second byte stays.
        {"\xB0\x20QQQUJD", {0xC0, 0x00, 0x00, 0x41, 0x42, 0x43}},
        {"\xB0\x20QQ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << c.text << "'");
        Text text = c.text;
        EXPECT_EQ(Base64Decode(text), c.expected);
    }
}

TEST(Base64Decode, CleansTheCallersTextAndRunsPendingStepPerGroup)
{
    Text text = "QU \r\nJD\xA1\xA1QQ==\r\n";
    int steps = 0;
    const Bytes bytes = Base64Decode(text, [&steps] { ++steps; });
    EXPECT_EQ(text, "QUJDQQ==");
    EXPECT_EQ(bytes, (Bytes {0x41, 0x42, 0x43, 0x41}));
    EXPECT_EQ(steps, 2);
}

TEST(DecodeLayeredText, UndoesFiveEncodings)
{
    const std::string inputs[] = {"http://kestrelfind.example/version.html", "a", "", "\xD6\xD0\xCE\xC4 x"};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        std::string encoded = input;
        for (int i = 0; i < 5; ++i) {
            encoded = Encode(encoded);
        }
        const std::string before = encoded;
        EXPECT_EQ(DecodeLayeredText(encoded), input);
        EXPECT_EQ(encoded, before);
    }
    // A zero byte in a layer ends that layer's text.
    std::string withZero = Encode(std::string("ab\0cd", 5));
    for (int i = 0; i < 4; ++i) {
        withZero = Encode(withZero);
    }
    EXPECT_EQ(DecodeLayeredText(withZero), "ab");
}

TEST(Base64Decode, LargeInput)
{
    const std::string data(300000, 'x');
    Text text = Encode(data);
    const Bytes bytes = Base64Decode(text);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), data);
}

} // namespace
} // namespace kf
