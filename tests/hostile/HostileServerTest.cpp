// The search run and the version check against loopback servers that misbehave: each must end
// within its time-out, keep memory bounded, leave no worker behind and list only real results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineSimulator.h"
#include "HostileChecks.h"
#include "search/Extraction.h"
#include "text/RegexMatcher.h"

namespace kf {
namespace {

using namespace test;
using controls::CountLabel;
using controls::NextButton;

// --- Endless streams (endless bodies are in the long suite) ---

TEST(HostileServers, EndlessHeadersAndTrailersEndAtTheirCut)
{
    const PromptCase cases[] = {
        {"header lines without end", hostile::EndlessHeaders(), kNoPage},
        {"one header line without end", hostile::EndlessHeaderLine(), kNoPage},
        // The short body before the trailers is a page without a version; the 16 MiB of trailers
        // before the cut may take longer than the check's short time-out under a sanitizer.
        {"trailer lines without end", hostile::EndlessTrailers(),
            {UpdateCheckResult::NewVersion, UpdateCheckResult::Unreachable}},
    };
    for (const auto& c : cases) {
        Globals globals;
        CheckPromptCase(c, globals);
    }
}

// --- Broken bytes ---

std::string InvalidUtf8()
{
    // Lone continuation bytes, a truncated sequence, overlong forms, surrogates, bytes never valid.
    return std::string("<p>\x80\xBF\xC3(\xE4\xB8</p>\n<p>\xC0\xAF\xE0\x80\xAF\xED\xA0\x80</p>\n")
        + "<p>\xF8\x88\x80\x80\x80\xFF\xFE\xF4\x90\x80\x80</p>\n\xE4\xB8";
}

std::string StrayLeadBytes()
{
    // cp936 text sent as UTF-8 would be, and lead bytes standing before ASCII and at the end.
    // Pieces of both patterns stand next to them, each broken by an ASCII letter as well, so that
    // no way of replacing the bad bytes can complete a match.
    return std::string("<p>\xB0\xA1\xB0\xA2</p>\n<h3>\x81\"\n\ntarget=\"_blank\"\n\n>\xFE</ax\x81></h3>\n")
        + "<a data-nolog href=\"\xA1\x81\"\ntarget=\"_blankx\x81\"\x81";
}

std::string WithZeroBytes()
{
    return std::string("<p>before</p>\n") + std::string(3, '\0') + "<p>after</p>\n" + std::string(1, '\0');
}

TEST(HostileServers, BrokenBytesMakeUpNoRows)
{
    const PromptCase cases[] = {
        {"invalid UTF-8", hostile::Fixed(hostile::Response(InvalidUtf8())), kJunkPage},
        {"stray cp936 lead bytes", hostile::Fixed(hostile::Response(StrayLeadBytes())), kJunkPage},
        {"zero bytes", hostile::Fixed(hostile::Response(WithZeroBytes())), kJunkPage},
        {"page of one zero byte", hostile::Fixed(hostile::Response(std::string(1, '\0'))), kJunkPage},
    };
    for (const auto& c : cases) {
        Globals globals;
        CheckPromptCase(c, globals);
    }
}

// A genuine result page of three results from the simulator's page builder (UTF-8), its links
// pointing back to `self`.
constexpr int kGenuineResults = 3;
std::string GenuinePage(const std::string& self)
{
    sim::SimulatorOptions options;
    options.total = kGenuineResults;
    return sim::ResultPage(self, "site:example.com kw", 0, 10, options);
}
Text GenuineLink(const std::string& self, int number)
{
    return "http://" + self + "/link?id=" + std::to_string(number) + "&site=example.com";
}

// Rows come only from real matches: the genuine results amid broken bytes, and nothing else.
TEST(HostileServers, OnlyRealResultsAmidBrokenBytesBecomeRows)
{
    const std::string junk = InvalidUtf8() + "\n" + StrayLeadBytes() + "\n";
    const std::string zero(1, '\0');
    struct Case {
        const char* name;
        std::function<Script(const std::string& genuine)> script;
        bool quick;
        int rows;
        bool addresses; // column 0 holds the link (quick mode), or stays empty
    };
    const Case cases[] = {
        {"genuine page amid junk, quick mode",
            [&](const std::string& genuine) {
                return hostile::Fixed(hostile::Response(junk + genuine + junk + zero + genuine));
            },
            true, kGenuineResults, true},
        {"genuine page after a zero byte",
            [&](const std::string& genuine) {
                return hostile::Fixed(hostile::Response(junk + zero + genuine));
            },
            true, 0, false},
        {"genuine page with junk redirect pages",
            [&](const std::string& genuine) {
                return hostile::PageAndOthers(
                    hostile::Response(genuine), hostile::Response(junk + WithZeroBytes()));
            },
            false, kGenuineResults, false},
        {"genuine page with redirect pages cut before their address",
            [](const std::string& genuine) {
                return hostile::PageAndOthers(hostile::Response(genuine),
                    "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"
                        + Cp936("<p>百度和网页<a href=\"http://exa"),
                    true);
            },
            false, kGenuineResults, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostileServer server;
        server.SetScript(c.script(GenuinePage(server.Self())));
        Globals globals;
        ThreadRecordingWindow window;
        window.SetChecked(c.quick);
        const RunRecord run = RunAgainst(server.Base(), globals, window);
        ExpectEndedAndNotTimedOut(run, globals);
        ExpectOnlySearchThreadCalled(window, run);
        if (c.rows == 0) {
            ExpectNoRowMadeUp(window, globals);
        } else {
            const auto rows = window.Rows();
            ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.rows));
            for (int i = 0; i < c.rows; ++i) {
                SCOPED_TRACE(i);
                EXPECT_EQ(rows[i][0], c.addresses ? GenuineLink(server.Self(), i + 1) : Text {});
                EXPECT_EQ(rows[i][1], std::to_string(i + 1));
                EXPECT_EQ(rows[i][2], Cp936(sim::ShownTitle("kw", i + 1)));
            }
            EXPECT_EQ(window.Caption(CountLabel), Cp936("结果约为：3个"));
            EXPECT_TRUE(window.Reminders().empty());
            EXPECT_FALSE(window.Enabled(NextButton));
            EXPECT_EQ(server.Requests(), c.quick ? 1 : 1 + c.rows);
        }
        ExpectNoWorkerLeft();
    }
}

// --- Redirect loops ---

TEST(HostileServers, RedirectLoopsEndAtTheHopBound)
{
    const PromptCase cases[] = {
        {"302 to itself", hostile::RedirectLoop(false), kNoPage},
        {"302 between two paths", hostile::RedirectLoop(true), kNoPage},
    };
    for (const auto& c : cases) {
        Globals globals;
        CheckPromptCase(c, globals);
    }
    // The hop bound, counted on the wire: the first request and at most ten more per exchange.
    for (const bool betweenTwo : {false, true}) {
        SCOPED_TRACE(betweenTwo);
        HostileServer server(hostile::RedirectLoop(betweenTwo));
        Text address = server.Base() + "/s?wd=loop";
        HttpOptions options;
        options.timeoutSeconds = kCheckTimeoutSeconds;
        EXPECT_TRUE(HttpRequest(address, options).empty());
        EXPECT_GE(server.Requests(), 2);
        EXPECT_LE(server.Requests(), 11);
        ExpectNoWorkerLeft();
    }
}

// --- Connections cut halfway ---

TEST(HostileServers, ConnectionsCutHalfwayEndTheExchange)
{
    const std::string head
        = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 100000\r\n\r\n";
    const PromptCase cases[] = {
        {"closed before the status line", hostile::SendAndClose(""), kNoPage},
        {"closed within the status line", hostile::SendAndClose("HTTP/1.1 2"), kNoPage},
        {"closed within the headers", hostile::SendAndClose("HTTP/1.1 200 OK\r\nContent-Type: te"), kNoPage},
        {"closed after the headers", hostile::SendAndClose(head), kNoPage},
        // What arrived before the cut is a page; it carries no version.
        {"closed within the body", hostile::SendAndClose(head + std::string(5000, 'p')), kJunkPage},
        {"closed within a chunk",
            hostile::SendAndClose(
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1000\r\n" + std::string(100, 'c')),
            kJunkPage},
    };
    for (const auto& c : cases) {
        Globals globals;
        CheckPromptCase(c, globals);
    }

    // Results that arrived before the cut are real and listed; nothing past the cut is invented.
    const std::string self = "127.0.0.1:9";
    const std::string genuine = GenuinePage(self);
    const std::string cutPage = genuine.substr(0, genuine.find("<div class=\"result c-container\" id=\"3\""));
    HostileServer server(hostile::SendAndClose(
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(genuine.size() * 2) + "\r\n\r\n" + cutPage));
    Globals globals;
    ThreadRecordingWindow window;
    window.SetChecked(true);
    const RunRecord run = RunAgainst(server.Base(), globals, window);
    ExpectEndedAndNotTimedOut(run, globals);
    const auto rows = window.Rows();
    ASSERT_EQ(rows.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(rows[i][0], GenuineLink(self, i + 1));
        EXPECT_EQ(rows[i][2], Cp936(sim::ShownTitle("kw", i + 1)));
    }
    ExpectNoWorkerLeft();
}

// --- Servers that never end an exchange: the time-out does ---

TEST(HostileServers, SilentAndTricklingServersEndAtTheTimeOut)
{
    struct Case {
        const char* name;
        Script script;
    };
    const Case cases[] = {
        {"accepts and never answers", hostile::NeverAnswer()},
        {"a header line every 50 ms", hostile::EndlessHeaders(50ms)},
        {"a body line every 50 ms", hostile::EndlessBody(true, 50ms)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostileServer server(c.script);

        // The page request as the run makes it, with a short time-out, and the extraction over
        // what it gives back.
        Text address = server.Base() + "/s?wd=site:example.com kw&pn=0&rn=10";
        HttpOptions options;
        options.conversion = 1;
        options.timeoutSeconds = 1.0;
        const auto start = Clock::now();
        const Text page = CleanResultPage(TextFromBytes(HttpRequest(address, options)));
        EXPECT_LT(Clock::now() - start, 1s + kMargin);
        EXPECT_EQ(page.find(TimeoutMessageStart()), 0u);
        RegexMatcher titles;
        RegexMatcher links;
        ASSERT_TRUE(titles.Search(TitlePattern, page));
        ASSERT_TRUE(links.Search(LinkPattern, page));
        EXPECT_EQ(titles.MatchCount(), 0);
        EXPECT_EQ(links.MatchCount(), 0);
        EXPECT_EQ(ResultCountText(page), "");
        ExpectNoWorkerLeft();
        // The abandoned exchange was really stopped: the server saw the connection closed.
        EXPECT_TRUE(WaitUntil([&server] { return server.ClosedByPeer() >= 1; }, 3s));

        ExpectVersionCheckEnds(server.Base(), kNoPage);
        ExpectNoWorkerLeft();
        EXPECT_TRUE(WaitUntil([&server] { return server.ClosedByPeer() >= 2; }, 3s));
        server.Stop();
    }
}

// --- The same harness against a well-behaved engine: rows appear where the page has them ---

TEST(HostileServers, WellBehavedEngineStillGivesItsRows)
{
    sim::SimulatorOptions options;
    options.total = 25;
    sim::EngineSimulator simulator(options);
    ASSERT_GT(simulator.Start(), 0);
    Globals globals;
    ThreadRecordingWindow window;
    const RunRecord run = RunAgainst(simulator.BaseUrl(), globals, window);
    ExpectEndedAndNotTimedOut(run, globals);
    ExpectOnlySearchThreadCalled(window, run);
    const auto rows = window.Rows();
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[9][0], sim::RealAddress("example.com", 10));
    EXPECT_EQ(window.Caption(CountLabel), Cp936("结果约为：25个"));
    EXPECT_TRUE(window.Enabled(NextButton));
    EXPECT_TRUE(window.Reminders().empty());
    ExpectVersionCheckEnds(simulator.BaseUrl(), {UpdateCheckResult::Current});
    ExpectNoWorkerLeft();
    simulator.Stop();
}

} // namespace
} // namespace kf
