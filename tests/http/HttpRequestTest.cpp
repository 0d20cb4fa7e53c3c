// HttpRequest and its worker against loopback servers: the bytes on the wire, cookies,
// redirections, time-outs, body limits and the response conversions.
#include "http/HttpRequest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "TestServers.h"
#include "http/CookieStore.h"
#include "http/HttpWorker.h"
#include "text/Codepage.h"

namespace kf {
namespace {

using namespace std::chrono_literals;
using test::HttplibServer;
using test::RawServer;

const std::string kDefaultAccept
    = "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
      "application/x-shockwave-flash, "
      "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

std::string AsString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

Text TimeoutMessage()
{
    return Cp936(
        "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。");
}

// Waits (bounded) until every worker thread has ended.
bool WorkersGone(std::chrono::seconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (LiveHttpWorkers() != 0) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out.push_back(static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override { ClearCookieStore(); }
    void TearDown() override { EXPECT_TRUE(WorkersGone()) << "a worker thread outlived its test"; }
};

// The request line and header block for GET and POST, by the rules that complete the caller's
// header text. The user agent line comes from the library right after Host unless the caller's
// text holds one; everything after it is the completed header text, unchanged.
TEST_F(HttpRequestTest, SendsTheCompletedHeaderBlock)
{
    RawServer server;
    const std::string base = server.Base();
    const std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
    const std::string agent = std::string("User-Agent: ") + kDefaultUserAgent + "\r\n";
    struct Case {
        const char* name;
        std::optional<int> method;
        std::string headers;
        std::string body;
        std::string cookies;
        std::string expectedAfterHost; // {A} stands for the address
    };
    const std::vector<Case> cases = {
        {"plain GET", {}, "", "", "",
            agent + kDefaultAccept + "Referer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"method 2 is GET", 2, "", "", "",
            agent + kDefaultAccept + "Referer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"Accept-Language holds Accept", {}, "Accept-Language: en\r\n", "", "",
            agent + "Accept-Language: en\r\nReferer: {A}\r\n\r\n"},
        {"own Accept", {}, "Accept: text/html\r\n", "", "",
            agent + "Accept: text/html\r\nReferer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"own Referer", {}, "Referer: x\r\n", "", "",
            agent + "Referer: x\r\n" + kDefaultAccept + "Accept-Language: zh-cn\r\n\r\n"},
        {"RefererNo", {}, "X-A: 1\r\nRefererNo\r\n", "", "",
            agent + "X-A: 1\r\n" + kDefaultAccept + "Accept-Language: zh-cn\r\n\r\n"},
        {"own User-Agent", {}, "User-Agent: Tool/1\r\n", "", "",
            "User-Agent: Tool/1\r\n" + kDefaultAccept + "Referer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"User-Agent named inside another line", {}, "X-Note: User-Agent: Tool/3\r\n", "", "",
            "User-Agent: Tool/3\r\nX-Note: User-Agent: Tool/3\r\n" + kDefaultAccept
                + "Referer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"header with an empty value", {}, "X-Empty:\r\n", "", "",
            agent + "X-Empty:\r\n" + kDefaultAccept + "Referer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"POST with a body", 1, "", "a=1&b", "",
            agent + kDefaultAccept
                + "Referer: {A}\r\nAccept-Language: zh-cn\r\nContent-Type: "
                  "application/x-www-form-urlencoded\r\n"
                  "Content-Length: 5\r\n\r\na=1&b"},
        {"POST with an empty body", 1, "", "", "",
            agent + kDefaultAccept + "Referer: {A}\r\nAccept-Language: zh-cn\r\n\r\n"},
        {"POST with own Content-Type", 1, "Content-Type: text/plain\r\n", "xyz", "",
            agent + "Content-Type: text/plain\r\n" + kDefaultAccept
                + "Referer: {A}\r\nAccept-Language: zh-cn\r\nContent-Length: 3\r\n\r\nxyz"},
        {"cookies given", {}, "", "", "a=1",
            agent + kDefaultAccept + "Referer: {A}\r\nAccept-Language: zh-cn\r\nCookie: a=1\r\n\r\n"},
        {"POST with body and cookies", 1, "X-B: 2\r\n", "k=v", "s=1; t=2",
            agent + "X-B: 2\r\n" + kDefaultAccept
                + "Referer: {A}\r\nAccept-Language: zh-cn\r\nContent-Type: "
                  "application/x-www-form-urlencoded\r\n"
                  "Content-Length: 3\r\nCookie: s=1; t=2\r\n\r\nk=v"},
    };
    std::size_t count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text address = base + "/p/q?x=1";
        HttpOptions options;
        options.method = c.method;
        options.headers = c.headers;
        options.body = Bytes(c.body.begin(), c.body.end());
        options.cookies = c.cookies;
        EXPECT_EQ(AsString(HttpRequest(address, options)), "ok");
        ASSERT_TRUE(server.WaitForRequests(++count));
        const bool post = c.method == 1;
        std::string expected
            = std::string(post ? "POST" : "GET") + " /p/q?x=1 HTTP/1.1\r\n" + host + c.expectedAfterHost;
        if (const auto at = expected.find("{A}"); at != std::string::npos)
            expected.replace(at, 3, address);
        EXPECT_EQ(server.Requests().back(), expected);
    }
}

// Through a proxy the request line carries the absolute address; the header block is unchanged.
TEST_F(HttpRequestTest, GoesThroughAnHttpProxy)
{
    RawServer proxy;
    Text address = "http://far.example:8081/a?b=1";
    HttpOptions options;
    options.proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    EXPECT_EQ(AsString(HttpRequest(address, options)), "ok");
    ASSERT_TRUE(proxy.WaitForRequests(1));
    const std::string request = proxy.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET http://far.example:8081/a?b=1 HTTP/1.1");
    EXPECT_NE(request.find("\r\nHost: far.example:8081\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nReferer: http://far.example:8081/a?b=1\r\n"), std::string::npos);
}

// A keyword typed with blank, "#", "&" and Chinese travels percent-encoded where it must and
// decodes to exactly the bytes typed; the address text itself is not changed.
TEST_F(HttpRequestTest, KeywordArrivesAsTyped)
{
    RawServer server;
    const Text keyword = "a b#c&d" + Cp936("中文") + "\"<x>";
    Text address = server.Base() + "/s?wd=site:x.com " + keyword + "&pn=0";
    const Text typed = address;
    HttpRequest(address);
    EXPECT_EQ(address, typed);
    ASSERT_TRUE(server.WaitForRequests(1));
    const std::string request = server.Requests()[0];
    const std::string target = request.substr(4, request.find(" HTTP/1.1") - 4);
    EXPECT_EQ(target, "/s?wd=site:x.com%20a%20b%23c&d%D6%D0%CE%C4%22%3Cx%3E&pn=0");
    EXPECT_EQ(PercentDecode(target), "/s?wd=site:x.com " + keyword + "&pn=0");
}

TEST_F(HttpRequestTest, AddressGetsTheSchemeInExactCase)
{
    RawServer server;
    Text address = "127.0.0.1:" + std::to_string(server.Port()) + "/x";
    EXPECT_EQ(AsString(HttpRequest(address)), "ok");
    EXPECT_EQ(address, server.Base() + "/x");

    Text upper = "HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/x";
    HttpOptions options;
    options.timeoutSeconds = 5;
    HttpRequest(upper, options);
    EXPECT_EQ(upper, "http://HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/x");
}

TEST_F(HttpRequestTest, BlankAddressGivesEmptyBytesWithoutAWorker)
{
    // Every started exchange asks the factory for its wait: a blank address must not get that far.
    int waitsMade = 0;
    SetRequestWaitFactory([&waitsMade]() -> std::unique_ptr<RequestWait> {
        ++waitsMade;
        return nullptr;
    });
    for (const Text& blank : {Text(), Text("   "), Text(" ") + Cp936("　") + " "}) {
        Text address = blank;
        Text headers = "untouched";
        HttpOptions options;
        options.responseHeaders = &headers;
        EXPECT_TRUE(HttpRequest(address, options).empty());
        EXPECT_EQ(LiveHttpWorkers(), 0);
        EXPECT_EQ(address, blank);
        EXPECT_EQ(headers, "untouched");
    }
    SetRequestWaitFactory(nullptr);
    EXPECT_EQ(waitsMade, 0);
}

TEST_F(HttpRequestTest, UnreachableServerGivesEmptyBytesAndEmptyOutputs)
{
    RawServer server;
    const std::string base = server.Base();
    server.Stop(); // nobody listens on that port any more
    Text address = base + "/x";
    Text headers = "untouched", cookies = "untouched";
    HttpOptions options;
    options.responseHeaders = &headers;
    options.receivedCookies = &cookies;
    options.conversion = 1;
    EXPECT_TRUE(HttpRequest(address, options).empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(cookies, "");
}

TEST_F(HttpRequestTest, CookiesAreReceivedStoredAndSentUnlessTheCallerGivesItsOwn)
{
    RawServer setter(
        "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nContent-Length: 0\r\n\r\n");
    Text address = setter.Base() + "/login";
    Text received, headers;
    HttpOptions options;
    options.receivedCookies = &received;
    options.responseHeaders = &headers;
    HttpRequest(address, options);
    EXPECT_EQ(received, "a=1;;");
    EXPECT_EQ(
        headers, "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nContent-Length: 0\r\n");

    // Another server on the same host gets both stored cookies.
    RawServer other;
    Text next = other.Base() + "/page";
    HttpRequest(next);
    ASSERT_TRUE(other.WaitForRequests(1));
    const std::string sent = other.Requests()[0];
    const auto cookieLine = sent.find("\r\nCookie: ");
    ASSERT_NE(cookieLine, std::string::npos) << sent;
    const std::string line = sent.substr(cookieLine + 2, sent.find("\r\n", cookieLine + 2) - cookieLine - 2);
    EXPECT_TRUE(line == "Cookie: a=1; b=2" || line == "Cookie: b=2; a=1") << line;

    // A request with cookies of its own sends only those.
    HttpOptions own;
    own.cookies = "c=3";
    Text third = other.Base() + "/page";
    HttpRequest(third, own);
    ASSERT_TRUE(other.WaitForRequests(2));
    const std::string ownRequest = other.Requests()[1];
    EXPECT_NE(ownRequest.find("\r\nCookie: c=3\r\n\r\n"), std::string::npos) << ownRequest;
    EXPECT_EQ(ownRequest.find("a=1"), std::string::npos) << ownRequest;

    // Cookies of only blanks are not the caller's own: the stored ones still go along.
    HttpOptions blanks;
    blanks.cookies = "  ";
    Text fourth = other.Base() + "/page";
    HttpRequest(fourth, blanks);
    ASSERT_TRUE(other.WaitForRequests(3));
    EXPECT_NE(other.Requests()[2].find("a=1"), std::string::npos) << other.Requests()[2];
}

TEST_F(HttpRequestTest, RedirectionsFollowedOrNot)
{
    HttplibServer server([](httplib::Server& s) {
        s.Get("/from", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/to"); });
        s.Get("/to", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("arrived", "text/plain");
        });
        s.Post("/post-from",
            [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/to", 302); });
    });
    Text address = server.Base() + "/from";
    Text headers;
    HttpOptions follow;
    follow.responseHeaders = &headers;
    EXPECT_EQ(AsString(HttpRequest(address, follow)), "arrived");
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << headers;

    HttpOptions stay;
    stay.followRedirects = false;
    stay.responseHeaders = &headers;
    EXPECT_EQ(AsString(HttpRequest(address, stay)), "");
    EXPECT_EQ(headers.rfind("HTTP/1.1 302 Found\r\n", 0), 0u) << headers;
    EXPECT_NE(headers.find("\r\nLocation: /to\r\n"), std::string::npos) << headers;

    // A POST answered by a redirection continues as a GET without the body's header lines.
    HttpOptions post;
    post.method = 1;
    post.body = Bytes {'a', '=', '1'};
    post.timeoutSeconds = 10;
    Text postAddress = server.Base() + "/post-from";
    EXPECT_EQ(AsString(HttpRequest(postAddress, post)), "arrived");
}

TEST_F(HttpRequestTest, GivenZeroTimeoutGivesTheMessageAtOnce)
{
    RawServer server;
    Text address = server.Base() + "/x";
    Text headers = "untouched", cookies = "untouched";
    HttpOptions options;
    options.timeoutSeconds = 0;
    options.responseHeaders = &headers;
    options.receivedCookies = &cookies;
    options.conversion = 1;
    const Text message = TextFromBytes(HttpRequest(address, options));
    EXPECT_EQ(message, TimeoutMessage());
    EXPECT_EQ(message.size(), 94u); // 47 double-byte characters, none of them lost to "?"
    EXPECT_EQ(message.find('?'), std::string::npos);
    EXPECT_TRUE(WorkersGone());
    EXPECT_EQ(headers, "untouched");
    EXPECT_EQ(cookies, "untouched");
}

TEST_F(HttpRequestTest, SilentServerGivesTheMessageAfterTheTimeout)
{
    RawServer server;
    server.SetSilent(true);
    Text address = server.Base() + "/x";
    HttpOptions options;
    options.timeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TextFromBytes(HttpRequest(address, options)), TimeoutMessage());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    // The abandoned worker is stopped although the server still says nothing.
    EXPECT_TRUE(WorkersGone(5s));
}

// A worker abandoned at the time-out leaves nothing behind: no outputs and no stored cookies.
TEST_F(HttpRequestTest, AbandonedWorkerWritesNothingLate)
{
    RawServer server("HTTP/1.1 200 OK\r\nSet-Cookie: late=1\r\nContent-Length: 4\r\n\r\nlate");
    server.SetDelay(800ms);
    Text address = server.Base() + "/x";
    Text headers = "untouched", cookies = "untouched";
    HttpOptions options;
    options.timeoutSeconds = 0.3;
    options.responseHeaders = &headers;
    options.receivedCookies = &cookies;
    EXPECT_EQ(TextFromBytes(HttpRequest(address, options)), TimeoutMessage());
    EXPECT_TRUE(WorkersGone());
    std::this_thread::sleep_for(900ms); // past the moment the server answers
    EXPECT_EQ(headers, "untouched");
    EXPECT_EQ(cookies, "untouched");

    server.SetDelay(0ms);
    Text again = server.Base() + "/y";
    HttpRequest(again);
    ASSERT_TRUE(server.WaitForRequests(2));
    EXPECT_EQ(server.Requests()[1].find("late=1"), std::string::npos);
}

TEST_F(HttpRequestTest, ZeroBytesAndConversions)
{
    const std::string withZeros("a\0b\0c", 5);
    const std::string utf8 = "中文 page";
    HttplibServer server([&](httplib::Server& s) {
        s.Get("/zeros",
            [&](const httplib::Request&, httplib::Response& res) { res.set_content(withZeros, "x/y"); });
        s.Get("/utf8",
            [&](const httplib::Request&, httplib::Response& res) { res.set_content(utf8, "text/html"); });
    });
    struct Case {
        std::optional<int> conversion;
        std::string path;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {9, "/zeros", withZeros},
        {{}, "/zeros", withZeros},
        {1, "/zeros", "a"},
        {2, "/zeros", "a"},
        {1, "/utf8", Cp936("中文 page")},
        {0, "/utf8", utf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " conversion " + std::to_string(c.conversion.value_or(-1)));
        Text address = server.Base() + c.path;
        HttpOptions options;
        options.conversion = c.conversion;
        EXPECT_EQ(AsString(HttpRequest(address, options)), c.expected);
    }
}

TEST_F(HttpRequestTest, BodyIsCutAt64MiB)
{
    constexpr std::size_t kChunk = 1 << 20;
    constexpr std::size_t kTotal = std::size_t {100} << 20;
    HttplibServer server([&](httplib::Server& s) {
        s.Get("/big", [&](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [&](size_t offset, httplib::DataSink& sink) {
                    if (offset >= kTotal) {
                        sink.done();
                        return true;
                    }
                    std::string chunk(kChunk, '\0');
                    for (std::size_t i = 0; i < kChunk; ++i)
                        chunk[i] = static_cast<char>((offset + i) % 251);
                    return sink.write(chunk.data(), chunk.size());
                });
        });
    });
    Text address = server.Base() + "/big";
    const Bytes body = HttpRequest(address);
    ASSERT_EQ(body.size(), kMaxResponseBody);
    bool pattern = true;
    for (std::size_t i = 0; i < body.size() && pattern; i += 4093)
        pattern = body[i] == i % 251;
    EXPECT_TRUE(pattern);
}

TEST_F(HttpRequestTest, LongResponseHeadersAreKeptWithTheirCookies)
{
    HttplibServer server([](httplib::Server& s) {
        s.Get("/h", [](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 40; ++i)
                res.set_header("X-Long-" + std::to_string(i), std::string(100, 'v'));
            res.set_header("Set-Cookie", "big=1; path=/");
            res.set_content("body", "text/plain");
        });
    });
    Text address = server.Base() + "/h";
    Text headers, cookies;
    HttpOptions options;
    options.responseHeaders = &headers;
    options.receivedCookies = &cookies;
    EXPECT_EQ(AsString(HttpRequest(address, options)), "body");
    EXPECT_GT(headers.size(), 4000u);
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(headers.find("X-Long-39: " + std::string(100, 'v') + "\r\n"), std::string::npos);
    EXPECT_EQ(headers.substr(headers.size() - 2), "\r\n");
    EXPECT_EQ(cookies, "big=1;");
}

// The wait seam: an installed factory's wait is used and woken by the worker; a factory that
// returns nothing leaves the thread with the plain blocking wait.
TEST_F(HttpRequestTest, WaitSeamIsUsedAndWoken)
{
    struct CountingWait : RequestWait {
        std::mutex mutex;
        std::condition_variable condition;
        bool woken = false;
        std::atomic<int>* waits;
        std::atomic<int>* wakes;
        void Wait(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline) override
        {
            ++*waits;
            std::unique_lock lock(mutex);
            condition.wait_until(lock, deadline, [&] { return woken || done(); });
            woken = false;
        }
        void Wake() override
        {
            ++*wakes;
            std::lock_guard lock(mutex);
            woken = true;
            condition.notify_all();
        }
    };
    std::atomic<int> waits {0}, wakes {0};
    bool giveOne = true;
    SetRequestWaitFactory([&]() -> std::unique_ptr<RequestWait> {
        if (!giveOne)
            return nullptr;
        auto wait = std::make_unique<CountingWait>();
        wait->waits = &waits;
        wait->wakes = &wakes;
        return wait;
    });
    RawServer server;
    Text address = server.Base() + "/x";
    EXPECT_EQ(AsString(HttpRequest(address)), "ok");
    EXPECT_GE(waits.load(), 1);
    EXPECT_GE(wakes.load(), 1);

    giveOne = false;
    waits = 0;
    Text again = server.Base() + "/y";
    EXPECT_EQ(AsString(HttpRequest(again)), "ok");
    EXPECT_EQ(waits.load(), 0);
    SetRequestWaitFactory(nullptr);
}

} // namespace
} // namespace kf
