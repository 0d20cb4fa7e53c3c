// HttpRequest round trips against a loopback server, next to the curl program fetching the same
// address, and Utf8ToGbk throughput on the 1 MB result page next to ICU called directly.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unicode/ucnv.h>

#include <string>
#include <thread>
#include <vector>

#include "BenchPage.h"
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

// One curl program fetching the same address many times over, each on a connection of its own
// as HttpRequest makes them: curl's transfer loop without most of its start-up.
void BM_CurlProgramLoop(benchmark::State& state)
{
    constexpr int kFetches = 50;
    std::string address = Server().Address();
    char curl[] = "curl", silent[] = "-s", header[] = "-H", close[] = "Connection: close";
    char out[] = "-o", null[] = "/dev/null";
    std::vector<char*> argv = {curl, silent, header, close};
    for (int i = 0; i < kFetches; ++i) {
        argv.push_back(address.data());
        argv.push_back(out);
        argv.push_back(null);
    }
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("curl not found");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("curl failed");
    }
    state.SetItemsProcessed(state.iterations() * kFetches);
}
BENCHMARK(BM_CurlProgramLoop)->UseRealTime();

void BM_Utf8ToGbk(benchmark::State& state)
{
    const std::string& page = kf::bench::Utf8ResultPage();
    for (auto _ : state) {
        kf::Text text = kf::Utf8ToGbk(page);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Utf8ToGbk);

// ICU's own converters called directly on the same page: both opened once, one
// ucnv_convertEx per pass into a buffer that is large enough (cp936 never needs more bytes than
// UTF-8 for the same character).
void BM_IcuConvertDirect(benchmark::State& state)
{
    const std::string& page = kf::bench::Utf8ResultPage();
    UErrorCode status = U_ZERO_ERROR;
    UConverter* utf8 = ucnv_open("UTF-8", &status);
    UConverter* gbk = ucnv_open("windows-936-2000", &status);
    if (U_FAILURE(status)) {
        state.SkipWithError("ICU cannot open the converters");
        ucnv_close(utf8);
        ucnv_close(gbk);
        return;
    }
    std::string out(page.size() + 16, '\0');
    std::vector<UChar> pivot(4096);
    std::size_t written = 0;
    for (auto _ : state) {
        ucnv_reset(utf8);
        ucnv_reset(gbk);
        char* target = out.data();
        const char* source = page.data();
        UChar* pivotSource = pivot.data();
        UChar* pivotTarget = pivot.data();
        status = U_ZERO_ERROR;
        ucnv_convertEx(gbk, utf8, &target, out.data() + out.size(), &source, page.data() + page.size(),
            pivot.data(), &pivotSource, &pivotTarget, pivot.data() + pivot.size(), true, true, &status);
        if (U_FAILURE(status)) {
            state.SkipWithError("ICU conversion failed");
            break;
        }
        written = static_cast<std::size_t>(target - out.data());
        benchmark::DoNotOptimize(out.data());
    }
    benchmark::DoNotOptimize(written);
    ucnv_close(utf8);
    ucnv_close(gbk);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_IcuConvertDirect);

// ICU in two steps through UTF-16 (ucnv_toUChars, then ucnv_fromUChars), the road that
// Utf8ToGbk takes, so the table shows whether a gap comes from the road or from the wrapping.
void BM_IcuThroughUtf16(benchmark::State& state)
{
    const std::string& page = kf::bench::Utf8ResultPage();
    UErrorCode status = U_ZERO_ERROR;
    UConverter* utf8 = ucnv_open("UTF-8", &status);
    UConverter* gbk = ucnv_open("windows-936-2000", &status);
    if (U_FAILURE(status)) {
        state.SkipWithError("ICU cannot open the converters");
        ucnv_close(utf8);
        ucnv_close(gbk);
        return;
    }
    std::vector<UChar> utf16(page.size() + 16);
    std::string out(page.size() + 16, '\0');
    for (auto _ : state) {
        status = U_ZERO_ERROR;
        const int32_t units = ucnv_toUChars(utf8, utf16.data(), static_cast<int32_t>(utf16.size()),
            page.data(), static_cast<int32_t>(page.size()), &status);
        const int32_t bytes = ucnv_fromUChars(
            gbk, out.data(), static_cast<int32_t>(out.size()), utf16.data(), units, &status);
        if (U_FAILURE(status)) {
            state.SkipWithError("ICU conversion failed");
            break;
        }
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(out.data());
    }
    ucnv_close(utf8);
    ucnv_close(gbk);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_IcuThroughUtf16);

} // namespace
