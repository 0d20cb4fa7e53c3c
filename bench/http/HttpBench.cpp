// HttpRequest round trips against a loopback server, next to the curl program fetching the same
// address, and Utf8ToGbk throughput on a 1 MB page.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>

#include "http/Conversions.h"
#include "http/HttpRequest.h"

extern char** environ;

namespace {

// One loopback server for the whole program, answering a small body.
class SmallServer {
public:
    SmallServer()
    {
        server_.Get("/small", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>small page</body></html>", "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~SmallServer()
    {
        server_.stop();
        thread_.join();
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/small"; }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

SmallServer& Server()
{
    static SmallServer server;
    return server;
}

void BM_HttpRequest(benchmark::State& state)
{
    const std::string address = Server().Address();
    for (auto _ : state) {
        kf::Text text = address;
        const kf::Bytes body = kf::HttpRequest(text);
        if (body.empty())
            state.SkipWithError("no answer");
        benchmark::DoNotOptimize(body.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HttpRequest)->UseRealTime();

// The curl program, started once per request, as a reference for the same exchange.
void BM_CurlProgram(benchmark::State& state)
{
    std::string address = Server().Address();
    char curl[] = "curl", silent[] = "-s", out[] = "-o", null[] = "/dev/null";
    char* argv[] = {curl, silent, out, null, address.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("curl not found");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("curl failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CurlProgram)->UseRealTime();

// A 1 MB UTF-8 result page: markup, Chinese text and digits.
const std::string& Utf8Page()
{
    static const std::string page = [] {
        const std::string block
            = "<div class=\"result\"><h3><a href=\"http://www.example.com/a?b=1\">关于搜索引擎的"
              "结果标题</a></h3><p>摘要包含一些中文内容、English words and 数字 12345。</p></div>\n";
        std::string text;
        while (text.size() + block.size() <= (1 << 20))
            text += block;
        return text;
    }();
    return page;
}

void BM_Utf8ToGbk(benchmark::State& state)
{
    const std::string& page = Utf8Page();
    for (auto _ : state) {
        kf::Text text = kf::Utf8ToGbk(page);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Utf8ToGbk);

} // namespace
