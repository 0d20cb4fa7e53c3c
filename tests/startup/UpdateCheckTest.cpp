// Tests of the version check against loopback servers, with recording message box and browser.
#include "startup/UpdateCheck.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "http/HttpRequest.h"
#include "startup/StartupAddresses.h"
#include "text/Base64.h"
#include "text/Codepage.h"

namespace {

using kf::Text;

class RecordingMessageBox : public kf::MessageBoxService {
public:
    void Show(const Text& title, const Text& message) override { shown.emplace_back(title, message); }
    std::vector<std::pair<Text, Text>> shown;
};

class RecordingShellOpen : public kf::ShellOpen {
public:
    void Open(const Text& address) override { opened.push_back(address); }
    std::vector<Text> opened;
};

// A web server on 127.0.0.1 that answers every GET of /version.html with `body`.
class VersionServer {
public:
    explicit VersionServer(std::string body)
        : body_(std::move(body))
    {
        server_.Get("/version.html", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(body_, "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~VersionServer()
    {
        server_.stop();
        thread_.join();
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/version.html"; }

private:
    std::string body_;
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

// A loopback port that takes connections into its backlog and never answers.
class SilentServer {
public:
    SilentServer()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::listen(fd_, 4) == 0
            && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A loopback port on which nothing listens: taken from the system, then released.
int ClosedPort()
{
    SilentServer taken;
    return taken.port();
}

// Sets an environment variable for the lifetime of this object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string ReadSiteFile(const char* name)
{
    std::ifstream in(std::string(KF_TEST_SOURCE_DIR) + "/site/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr char homePage[] = "http://127.0.0.1:9/home.html";

struct Outcome {
    kf::UpdateCheckResult result;
    RecordingMessageBox box;
    RecordingShellOpen shell;
    int ends = 0;
};

// Runs the check with recording seams; `fetch` empty means the real HttpRequest.
void RunCheck(Outcome& outcome, kf::VersionPageFetch fetch = {})
{
    ScopedEnvironment home("KESTRELFIND_HOME_URL", homePage);
    outcome.result = kf::CheckForUpdate(
        {outcome.box, outcome.shell, [&outcome] { ++outcome.ends; }, std::move(fetch), {}});
}

void ExpectOutcome(const Outcome& outcome, kf::UpdateCheckResult expected)
{
    EXPECT_EQ(outcome.result, expected);
    // The home page is opened at every start, whatever the page said.
    EXPECT_EQ(outcome.shell.opened, std::vector<Text> {homePage});
    if (expected == kf::UpdateCheckResult::NewVersion) {
        ASSERT_EQ(outcome.box.shown.size(), 1u);
        EXPECT_EQ(outcome.box.shown[0].first, kf::NewVersionTitle());
        EXPECT_EQ(outcome.box.shown[0].second, kf::NewVersionMessage());
        EXPECT_EQ(outcome.ends, 1);
    } else {
        EXPECT_TRUE(outcome.box.shown.empty());
        EXPECT_EQ(outcome.ends, 0);
    }
}

TEST(UpdateCheckTest, ThePageServedDecidesWhetherStartUpGoesOn)
{
    using R = kf::UpdateCheckResult;
    struct Case {
        const char* name;
        std::string page;
        R expected;
    };
    const Case cases[] = {
        {"marked 1.0", "-kqzt1.0kqzt-", R::Current},
        {"our own version page", ReadSiteFile("version.html"), R::Current},
        {"marked 1.0 within text", "<p>版本 -kqzt1.0kqzt- 下载</p>", R::Current},
        {"upper-case markers", "-KQZT1.0KQZT-", R::Current},
        {"mixed-case markers", "-Kqzt1.0kQZT-", R::Current},
        {"two versions, 1.0 first", "-kqzt1.0kqzt- -kqzt2.0kqzt-", R::Current},
        {"two versions, 1.0 second", "-kqzt2.0kqzt- -kqzt1.0kqzt-", R::NewVersion},
        {"swapped markers", "kqzt-1.0-kqzt", R::NewVersion},
        {"leading blank", "-kqzt 1.0kqzt-", R::NewVersion},
        {"trailing blank", "-kqzt1.0 kqzt-", R::NewVersion},
        {"another version", "-kqzt1.1kqzt-", R::NewVersion},
        {"nothing marked", "<html>no version here</html>", R::NewVersion},
        {"empty between markers", "-kqztkqzt-", R::NewVersion},
        {"no end marker", "-kqzt1.0", R::NewVersion},
        {"zero byte before the end marker", std::string("-kqzt1.0\0kqzt-", 14), R::NewVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VersionServer server(c.page);
        ScopedEnvironment version("KESTRELFIND_VERSION_URL", server.Address());
        Outcome outcome;

        RunCheck(outcome);

        ExpectOutcome(outcome, c.expected);
    }
}

TEST(UpdateCheckTest, APageThatCannotBeFetchedAnnouncesNothing)
{
    {
        SCOPED_TRACE("no server at all");
        ScopedEnvironment version(
            "KESTRELFIND_VERSION_URL", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/version.html");
        Outcome outcome;
        RunCheck(outcome);
        ExpectOutcome(outcome, kf::UpdateCheckResult::Unreachable);
    }
    {
        SCOPED_TRACE("empty body");
        VersionServer server("");
        ScopedEnvironment version("KESTRELFIND_VERSION_URL", server.Address());
        Outcome outcome;
        RunCheck(outcome);
        ExpectOutcome(outcome, kf::UpdateCheckResult::Unreachable);
    }
    {
        SCOPED_TRACE("a server that never answers");
        SilentServer silent;
        ASSERT_GT(silent.port(), 0);
        ScopedEnvironment version(
            "KESTRELFIND_VERSION_URL", "http://127.0.0.1:" + std::to_string(silent.port()) + "/version.html");
        kf::Bytes fetched;
        Text fetchedAddress;
        Outcome outcome;
        // The real request, with a short time-out instead of the 60 s default.
        RunCheck(outcome, [&](Text& address) {
            fetchedAddress = address;
            kf::HttpOptions options;
            options.timeoutSeconds = 0.3;
            fetched = kf::HttpRequest(address, options);
            return fetched;
        });
        EXPECT_EQ(fetchedAddress, "http://127.0.0.1:" + std::to_string(silent.port()) + "/version.html");
        EXPECT_FALSE(fetched.empty()) << "the request should end with its time-out text";
        ExpectOutcome(outcome, kf::UpdateCheckResult::Unreachable);
    }
}

TEST(UpdateCheckTest, OnlyEmptyBytesAndTheTimeOutTextCountAsNoPage)
{
    const Text timeout = kf::Cp936(
        "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。");
    EXPECT_TRUE(kf::IsUnfetchedPage({}));
    EXPECT_TRUE(kf::IsUnfetchedPage(kf::BytesFromText(timeout)));
    EXPECT_FALSE(kf::IsUnfetchedPage(kf::BytesFromText(timeout + " ")));
    EXPECT_FALSE(kf::IsUnfetchedPage(kf::BytesFromText("-kqzt1.1kqzt-")));
    EXPECT_FALSE(kf::IsUnfetchedPage(kf::Bytes {0})); // a page of one zero byte is an empty page text

    // A page of just a zero byte is an answer without a marked version.
    Outcome outcome;
    RunCheck(outcome, [](Text&) { return kf::Bytes {0, 'x'}; });
    ExpectOutcome(outcome, kf::UpdateCheckResult::NewVersion);
}

TEST(UpdateCheckTest, TheStoredAddressDecodesToTheConfiguredOne)
{
    const std::string stored = kf::EncodedVersionAddress;
    EXPECT_EQ(stored.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
        std::string::npos);
    EXPECT_EQ(stored.find(KF_CONFIGURED_VERSION_URL), std::string::npos);
    EXPECT_EQ(kf::DecodeLayeredText(stored), KF_CONFIGURED_VERSION_URL);

    ::unsetenv("KESTRELFIND_VERSION_URL");
    ::unsetenv("KESTRELFIND_HOME_URL");
    EXPECT_EQ(kf::VersionPageAddress(), KF_CONFIGURED_VERSION_URL);
    EXPECT_EQ(kf::HomePageAddress(), KF_CONFIGURED_HOME_URL);
    {
        ScopedEnvironment version("KESTRELFIND_VERSION_URL", "http://127.0.0.1:8123/v.html");
        ScopedEnvironment home("KESTRELFIND_HOME_URL", "http://127.0.0.1:8123/");
        EXPECT_EQ(kf::VersionPageAddress(), "http://127.0.0.1:8123/v.html");
        EXPECT_EQ(kf::HomePageAddress(), "http://127.0.0.1:8123/");
    }
    {
        ScopedEnvironment version("KESTRELFIND_VERSION_URL", "");
        EXPECT_EQ(kf::VersionPageAddress(), KF_CONFIGURED_VERSION_URL)
            << "an empty variable replaces nothing";
    }
}

TEST(UpdateCheckTest, TheCheckFetchesTheDecodedAddressWhenNoVariableIsSet)
{
    ::unsetenv("KESTRELFIND_VERSION_URL");
    Text fetchedAddress;
    Outcome outcome;
    RunCheck(outcome, [&](Text& address) {
        fetchedAddress = address;
        return kf::BytesFromText("-kqzt1.0kqzt-");
    });
    EXPECT_EQ(fetchedAddress, KF_CONFIGURED_VERSION_URL);
    ExpectOutcome(outcome, kf::UpdateCheckResult::Current);
}

TEST(UpdateCheckTest, TheMessageAndTitleAreTheirExactCp936Bytes)
{
    const Text message = kf::NewVersionMessage();
    ASSERT_EQ(message.size(), 56u);
    EXPECT_EQ(message.substr(0, 10), "\xB7\xA2\xCF\xD6\xD0\xC2\xB0\xE6\xB1\xBE"); // 发现新版本
    EXPECT_EQ(message.substr(10, 17), std::string(17, ' '));
    EXPECT_EQ(message.substr(27, 4), "\xCF\xC2\xD4\xD8"); // 下载
    EXPECT_EQ(message.substr(31), std::string(25, ' '));
    EXPECT_EQ(kf::NewVersionTitle(), "\xCE\xC2\xDC\xB0\xCC\xE1\xD0\xD1\xA3\xBA"); // 温馨提醒：
}

} // namespace
