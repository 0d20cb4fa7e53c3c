// A loopback web server that answers like the search engine as the result-page rules read it:
// result pages under /s, redirect pages under /link, plus a version page and a home page.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace kf::sim {

struct SimulatorOptions {
    // Milliseconds every answer waits before it is sent.
    int delayMs = 0;
    // Number of results of every keyword; without it the number follows from the keyword.
    std::optional<std::int64_t> total;
    // Result numbers (from 1) whose redirect page lacks the address markers.
    std::set<std::int64_t> unresolvedResults;
};

// --- The pages, as pure functions (UTF-8 for the result page, cp936 for the redirect page) ---

// Results for a keyword (cp936 bytes as they arrive): 0 for "none" and "empty" in any letter case,
// else the fixed total when one is given, else a number from 1 to 500 derived from the keyword.
std::int64_t ResultTotal(std::string_view keyword, const std::optional<std::int64_t>& fixedTotal);
// "site:<domain> <keyword>" split into its two parts; the domain is limited to host characters.
struct Query {
    std::string domain;
    std::string keyword;
};
Query SplitQuery(std::string_view wd);
// The address a result's redirect page leads to: "http://<domain>/result/<number>.html".
std::string RealAddress(std::string_view domain, std::int64_t number);
// The title a result shows once the page is cleaned and its <em> tags are gone (UTF-8).
std::string ShownTitle(std::string_view keywordUtf8, std::int64_t number);
// Result numbers pn * rn + 1 .. pn * rn + rn, cut at the total; none for a negative page.
struct PageRange {
    std::int64_t first = 0; // number of the first result on the page, from 1
    std::int64_t count = 0;
};
PageRange ResultsOnPage(std::int64_t total, std::int64_t pn, std::int64_t rn);
// A whole result page; `self` is "host:port" that the links point back to.
std::string ResultPage(std::string_view self, std::string_view wd, std::int64_t pn, std::int64_t rn,
    const SimulatorOptions& options);
// The redirect page of result `number`; without markers when the number is unresolved.
std::string RedirectPage(std::string_view domain, std::int64_t number, const SimulatorOptions& options);

// --- The server ---

class EngineSimulator {
public:
    explicit EngineSimulator(SimulatorOptions options = {});
    ~EngineSimulator();
    EngineSimulator(const EngineSimulator&) = delete;
    EngineSimulator& operator=(const EngineSimulator&) = delete;

    // Listens on host:port (0 picks a free port) on a thread of its own; the port, or -1.
    int Start(const std::string& host = "127.0.0.1", int port = 0);
    // Wakes answers that are waiting out their delay, stops listening and joins the thread.
    void Stop();

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;

    void SetDelayMs(int delayMs);
    // Request targets in arrival order, as sent ("/s?wd=...&pn=0&rn=10").
    std::vector<std::string> RequestTargets() const;
    // The pn value of every result-page request, in arrival order.
    std::vector<std::string> PageNumbers() const;
    void ClearRecord();

private:
    void Install();
    void Delay();
    void Record(const std::string& target, const std::string* pn);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::string host_ = "127.0.0.1";
    int port_ = -1;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    SimulatorOptions options_;
    std::vector<std::string> targets_;
    std::vector<std::string> pageNumbers_;
};

} // namespace kf::sim
