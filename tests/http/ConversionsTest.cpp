// Utf8ToGbk and Big5ToSimplifiedGbk.
#include "http/Conversions.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include "text/Codepage.h"

namespace kf {
namespace {

// The Big5 (code page 950) bytes of a UTF-8 text, made with ICU's own table.
std::string Big5(const std::string& utf8)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* big5 = ucnv_open("windows-950-2000", &status);
    UConverter* unicode = ucnv_open("UTF-8", &status);
    std::string out(utf8.size() * 2 + 8, '\0');
    char* target = out.data();
    const char* source = utf8.data();
    ucnv_convertEx(big5, unicode, &target, out.data() + out.size(), &source, utf8.data() + utf8.size(),
        nullptr, nullptr, nullptr, nullptr, true, true, &status);
    ucnv_close(big5);
    ucnv_close(unicode);
    EXPECT_TRUE(U_SUCCESS(status));
    out.resize(static_cast<std::size_t>(target - out.data()));
    return out;
}

TEST(Conversions, Utf8ToGbk)
{
    const struct {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"ASCII", "Hello, world! <a href=\"x\">", "Hello, world! <a href=\"x\">"},
        {"empty", "", ""},
        {"Simplified sentence", "我们在网上搜索资料。", Cp936("我们在网上搜索资料。")},
        {"emoji", "a😀b", "a?b"},
        {"malformed goes on",
            "a\xff\xfe"
            "b中",
            "a??b" + Cp936("中")},
        {"stops at zero", std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToGbk(c.in), c.out);
    }
}

TEST(Conversions, Big5ToSimplifiedGbk)
{
    EXPECT_EQ(Big5ToSimplifiedGbk("ASCII only 123"), "ASCII only 123");
    EXPECT_EQ(Big5ToSimplifiedGbk(""), "");

    const std::string traditional = Big5("資料庫連線測試，歡迎光臨。");
    const Text simplified = Big5ToSimplifiedGbk(traditional);
    EXPECT_EQ(simplified, Cp936("资料库连线测试，欢迎光临。"));
    EXPECT_EQ(simplified.size(), traditional.size());

    // Bytes that are no Big5 character become "?" and the rest of the text still comes.
    EXPECT_EQ(Big5ToSimplifiedGbk(Big5("開") + "\xff" + Big5("門")), Cp936("开") + "?" + Cp936("门"));
}

} // namespace
} // namespace kf
