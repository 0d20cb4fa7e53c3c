// Pages and routes of the engine simulator.
#include "EngineSimulator.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>
#include <chrono>

#include "text/Codepage.h"

namespace kf::sim {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool IsHostCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

std::int64_t ParseNumber(std::string_view text, std::int64_t fallback)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc {} && end == text.data() + text.size() ? value : fallback;
}

// 1234567 -> "1,234,567", the way the engine writes its count.
std::string WithSeparators(std::int64_t value)
{
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<std::size_t>(i), ",");
    }
    return digits;
}

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
        case '\n':
            out += ' ';
            break;
        default:
            out += c;
        }
    }
    return out;
}

constexpr std::int64_t MaxTotal = 100'000'000;

} // namespace

std::int64_t ResultTotal(std::string_view keyword, const std::optional<std::int64_t>& fixedTotal)
{
    if (EqualsIgnoringCase(keyword, "none") || EqualsIgnoringCase(keyword, "empty")) {
        return 0;
    }
    if (fixedTotal) {
        return std::clamp<std::int64_t>(*fixedTotal, 0, MaxTotal);
    }
    // FNV-1a: the same keyword always gives the same number of results.
    std::uint32_t hash = 2166136261u;
    for (const char c : keyword) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return 1 + static_cast<std::int64_t>(hash % 500);
}

Query SplitQuery(std::string_view wd)
{
    Query query;
    std::string_view rest = wd;
    if (rest.substr(0, 5) == "site:") {
        rest.remove_prefix(5);
        const auto blank = rest.find(' ');
        const std::string_view domain = rest.substr(0, blank);
        rest = blank == std::string_view::npos ? std::string_view {} : rest.substr(blank + 1);
        if (!domain.empty() && std::all_of(domain.begin(), domain.end(), IsHostCharacter)) {
            query.domain = domain;
        }
    }
    if (query.domain.empty()) {
        query.domain = "example.com";
    }
    query.keyword = rest;
    return query;
}

std::string RealAddress(std::string_view domain, std::int64_t number)
{
    return "http://" + std::string(domain) + "/result/" + std::to_string(number) + ".html";
}

std::string ShownTitle(std::string_view keywordUtf8, std::int64_t number)
{
    std::string title;
    for (const char c : EscapeHtml(keywordUtf8)) {
        if (c != ' ' && c != '\t') {
            title += c;
        }
    }
    return title + "相关结果第" + std::to_string(number) + "条";
}

PageRange ResultsOnPage(std::int64_t total, std::int64_t pn, std::int64_t rn)
{
    if (pn < 0 || rn <= 0 || pn > MaxTotal) {
        return {};
    }
    const std::int64_t first = pn * rn;
    if (first >= total) {
        return {};
    }
    return {first + 1, std::min(rn, total - first)};
}

std::string ResultPage(std::string_view self, std::string_view wd, std::int64_t pn, std::int64_t rn,
    const SimulatorOptions& options)
{
    const Query query = SplitQuery(wd);
    const std::string keyword = EscapeHtml(Utf8FromCp936(query.keyword));
    const std::int64_t total = ResultTotal(query.keyword, options.total);
    const PageRange range = ResultsOnPage(total, pn, rn);

    std::string page;
    page.reserve(1024 + static_cast<std::size_t>(range.count) * 700);
    page += "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"utf-8\">\n    <title>";
    page += keyword;
    page += "_百度搜索</title>\n</head>\n<body>\n<div id=\"content_left\">\n";
    if (total == 0) {
        page += "    <div class=\"nors\">\n        <p>抱歉没有找到与“<em>" + keyword
            + "</em>”相关的网页。</p>\n    </div>\n";
    } else {
        page += "    <div class=\"nums\">\n        <span class=\"nums_text\">百度为您找到相关结果约"
            + WithSeparators(total) + "个</span>\n    </div>\n";
    }
    for (std::int64_t i = 0; i < range.count; ++i) {
        const std::int64_t number = range.first + i;
        const std::string link
            = "http://" + std::string(self) + "/link?id=" + std::to_string(number) + "&site=" + query.domain;
        // The layout the patterns read once blanks and tabs are gone: the title anchor's
        // attributes on lines of their own with empty lines between, and a separate
        // data-nolog anchor whose href is followed by a line feed.
        page += "    <div class=\"result c-container\" id=\"" + std::to_string(number) + "\">\n";
        page += "        <h3 class=\"t\"><a\n";
        page += "            href=\"" + link + "\"\n";
        page += "            \n";
        page += "            target=\"_blank\"\n";
        page += "            \n";
        page += "            ><em>" + keyword + "</em> 相关结果 第 " + std::to_string(number)
            + " 条</a></h3>\n";
        page += "        <div class=\"c-abstract\">\t关于 <em>" + keyword + "</em> 的第 "
            + std::to_string(number) + " 条结果。</div>\n";
        page += "        <div class=\"f13\">\n";
        page += "            <a data-nolog href=\"" + link + "\"\n";
        page += "                target=\"_blank\" class=\"c-showurl\">" + query.domain + "/result/"
            + std::to_string(number) + ".html</a>\n";
        page += "        </div>\n    </div>\n";
    }
    page += "</div>\n</body>\n</html>\n";
    return page;
}

std::string RedirectPage(std::string_view domain, std::int64_t number, const SimulatorOptions& options)
{
    std::string page = "<html>\n<head><meta http-equiv=\"content-type\" content=\"text/html;charset=gbk\">"
                       "<title>页面跳转</title></head>\n<body>\n";
    if (options.unresolvedResults.count(number) != 0 || number <= 0) {
        page += "<p>页面不存在。</p>\n";
    } else {
        const std::string address = RealAddress(domain, number);
        page += "<p>您访问的网页即将跳转到百度和网页<a href=\"" + address + "\">" + address + "</a></p>\n";
    }
    page += "</body>\n</html>\n";
    return Cp936FromUtf8(page);
}

EngineSimulator::EngineSimulator(SimulatorOptions options)
    : server_(std::make_unique<httplib::Server>())
    , options_(std::move(options))
{
    Install();
}

EngineSimulator::~EngineSimulator()
{
    Stop();
}

int EngineSimulator::Start(const std::string& host, int port)
{
    if (thread_.joinable()) {
        return port_;
    }
    host_ = host;
    port_ = port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
    if (port_ <= 0) {
        port_ = -1;
        return -1;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // A stop before the listening loop runs would be lost, so Start returns only once it runs.
    for (int i = 0; i < 5000 && !server_->is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return port_;
}

void EngineSimulator::Stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string EngineSimulator::BaseUrl() const
{
    return "http://" + host_ + ":" + std::to_string(port_);
}

void EngineSimulator::SetDelayMs(int delayMs)
{
    std::lock_guard lock(mutex_);
    options_.delayMs = delayMs;
}

std::vector<std::string> EngineSimulator::RequestTargets() const
{
    std::lock_guard lock(mutex_);
    return targets_;
}

std::vector<std::string> EngineSimulator::PageNumbers() const
{
    std::lock_guard lock(mutex_);
    return pageNumbers_;
}

void EngineSimulator::ClearRecord()
{
    std::lock_guard lock(mutex_);
    targets_.clear();
    pageNumbers_.clear();
}

void EngineSimulator::Delay()
{
    std::unique_lock lock(mutex_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.delayMs);
    wake_.wait_until(lock, until, [this] { return stopping_; });
}

void EngineSimulator::Record(const std::string& target, const std::string* pn)
{
    std::lock_guard lock(mutex_);
    targets_.push_back(target);
    if (pn) {
        pageNumbers_.push_back(*pn);
    }
}

void EngineSimulator::Install()
{
    const auto options = [this] {
        std::lock_guard lock(mutex_);
        return options_;
    };
    const auto self = [this](const httplib::Request& req) {
        const std::string host = req.get_header_value("Host");
        return host.empty() ? host_ + ":" + std::to_string(port_) : host;
    };

    server_->Get("/s", [this, options, self](const httplib::Request& req, httplib::Response& res) {
        const std::string pn = req.get_param_value("pn");
        Record(req.target, &pn);
        Delay();
        const std::int64_t rn = std::clamp<std::int64_t>(ParseNumber(req.get_param_value("rn"), 10), 1, 100);
        res.set_content(ResultPage(self(req), req.get_param_value("wd"), ParseNumber(pn, 0), rn, options()),
            "text/html; charset=utf-8");
    });
    server_->Get("/link", [this, options](const httplib::Request& req, httplib::Response& res) {
        Record(req.target, nullptr);
        Delay();
        const Query query = SplitQuery("site:" + req.get_param_value("site"));
        res.set_content(RedirectPage(query.domain, ParseNumber(req.get_param_value("id"), 0), options()),
            "text/html; charset=gbk");
    });
    server_->Get("/version.html", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.target, nullptr);
        res.set_content("<html><body>-kqzt1.0kqzt-</body></html>\n", "text/html; charset=utf-8");
    });
    server_->Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        Record(req.target, nullptr);
        res.set_content(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Kestrelfind</title></head>\n"
            "<body><p>Kestrelfind 离线演示：本机搜索引擎模拟器。</p></body></html>\n",
            "text/html; charset=utf-8");
    });
}

} // namespace kf::sim
