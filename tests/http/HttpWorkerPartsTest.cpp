// The pure pieces of the worker: the request-target encoding, the completed header text, the
// user agent and the reading of received cookies.
#include <gtest/gtest.h>

#include "http/HttpWorker.h"
#include "text/Codepage.h"

namespace kf {
namespace {

TEST(HttpWorkerParts, EncodesOnlyWhatMayNotStandInAQuery)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"/", "/"},
        {"/s?wd=a b#c&d=1", "/s?wd=a%20b%23c&d=1"},
        {"/a-._~!$&'()*+,;=:@/?%41", "/a-._~!$&'()*+,;=:@/?%41"},
        {"/\"<>[]\\^`{|}", "/%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D"},
        {"/\t\r\n\x7f", "/%09%0D%0A%7F"},
        {"/" + Cp936("中"), "/%D6%D0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(EncodeRequestTarget(c.in), c.out);
    }
}

TEST(HttpWorkerParts, CompletesTheHeaderText)
{
    const std::string accept
        = "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
          "application/x-shockwave-flash, "
          "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
    const std::string address = "http://h/p";
    const struct {
        const char* name;
        std::string headers;
        bool post;
        std::size_t bodySize;
        std::string cookies;
        std::string expected;
    } cases[] = {
        {"GET", "", false, 0, "", accept + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\n"},
        {"accept anywhere, any case", "X-Note: ACCEPTED\r\n", false, 0, "",
            "X-Note: ACCEPTED\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"},
        {"RefererNo removed in exact case only", "x: refererno\r\n", false, 0, "",
            "x: refererno\r\n" + accept + "Accept-Language: zh-cn\r\n"},
        {"RefererNo removed", "RefererNo", false, 0, "", accept + "Accept-Language: zh-cn\r\n"},
        {"GET body ignored", "", false, 7, "", accept + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\n"},
        {"POST 5 bytes", "", true, 5, "",
            accept
                + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\nContent-Type: "
                  "application/x-www-form-urlencoded\r\n"
                  "Content-Length: 5\r\n"},
        {"POST own length", "Content-Length: 9\r\n", true, 5, "",
            "Content-Length: 9\r\n" + accept
                + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\nContent-Type: "
                  "application/x-www-form-urlencoded\r\n"},
        {"POST empty", "", true, 0, "", accept + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\n"},
        {"cookies", "", false, 0, "a=1",
            accept + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\nCookie: a=1\r\n\r\n"},
        {"blank cookies untrimmed", "", false, 0, "  ",
            accept + "Referer: http://h/p\r\nAccept-Language: zh-cn\r\nCookie:   \r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CompleteHeaderText(c.headers, address, c.post, c.bodySize, c.cookies), c.expected);
    }
}

TEST(HttpWorkerParts, UserAgentRule)
{
    EXPECT_EQ(UserAgentFor(""), kDefaultUserAgent);
    EXPECT_EQ(UserAgentFor("User-Agent: Tool/1\r\n"), "Tool/1");
    EXPECT_EQ(UserAgentFor("X: 1\r\nuser-agent:  Tool/2  \r\n"), "Tool/2");
    EXPECT_EQ(UserAgentFor("User-Agent: Tool/1"), ""); // no CR LF after it
}

TEST(HttpWorkerParts, PlansTheExchangeFromTheAddress)
{
    const struct {
        std::string address, cookies;
        bool followWanted;
        std::string proxy;
        bool valid, secure;
        std::string url;
        bool follow, ownCookies, useProxy;
    } cases[] = {
        {"http://Host1:8080/a b?x=1#f", "", true, "", true, false, "http://host1:8080/a%20b?x=1%23f", true,
            false, false},
        {"http://host1/?u=https://host2", "", false, "", true, true, "https://host1:443/?u=https://host2",
            true, false, false},
        {"https://host1/x", "a=1", false, "p:1", true, true, "https://host1:443/x", true, false, false},
        {"http://host1:/x", "a=1", false, "p:1", true, false, "http://host1:80/x", false, true, true},
        {"http://host1", "  ", true, "", true, false, "http://host1:80/", true, false, false},
        {"http://host1:99999/", "", true, "", false, false, "", true, false, false},
        {"http://user@host1/", "", true, "", false, false, "", true, false, false},
        {"http://ho st/", "", true, "", false, false, "", true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const ExchangePlan plan = PlanExchange(c.address, c.cookies, c.followWanted, c.proxy);
        EXPECT_EQ(plan.valid, c.valid);
        EXPECT_EQ(plan.secure, c.secure);
        EXPECT_EQ(plan.url, c.url);
        EXPECT_EQ(plan.follow, c.follow);
        EXPECT_EQ(plan.ownCookies, c.ownCookies);
        EXPECT_EQ(plan.useProxy, c.useProxy);
    }
}

TEST(HttpWorkerParts, ReadsReceivedCookies)
{
    std::vector<ReceivedCookie> cookies;
    const Text text = ReadReceivedCookies(
        "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nset-cookie: b=2\r\nX: y\r\nSet-Cookie: noequals\r\n",
        &cookies);
    EXPECT_EQ(text, "a=1;;;");
    ASSERT_EQ(cookies.size(), 3u);
    EXPECT_EQ(cookies[0].name, "a");
    EXPECT_EQ(cookies[0].data, "1; path=/");
    EXPECT_EQ(cookies[1].name, "b");
    EXPECT_EQ(cookies[1].data, "2");
    EXPECT_EQ(cookies[2].name, "");
    EXPECT_EQ(cookies[2].data, "noequals");
    EXPECT_EQ(ReadReceivedCookies("HTTP/1.1 200 OK\r\n", nullptr), "");
}

} // namespace
} // namespace kf
