// Builds the padded result page once per program.
#include "BenchPage.h"

#include <benchmark/benchmark.h>

#include <cstring>

#include "EngineSimulator.h"
#include "text/Codepage.h"

namespace kf::bench {

namespace {

// One abstract line as the engine writes it, with indentation, a tab and mixed text; it holds
// nothing that either pattern or the count markers could take for their own.
constexpr std::string_view kFiller
    = "        <div class=\"c-abstract\">\t关于搜索引擎的结果摘要，包含一些中文内容、English words "
      "和数字 12345。<span class=\"c-showurl\">www.example.com/path/page.html</span></div>\n";

constexpr std::string_view kResultStart = "    <div class=\"result c-container\"";

std::string BuildPage()
{
    sim::SimulatorOptions options;
    options.total = 1000;
    const std::string base
        = sim::ResultPage("127.0.0.1:8123", Cp936("site:pan.baidu.com 网盘资源"), 0, kPageResults, options);

    // The padding goes in front of every result, so the matches are spread over the whole page.
    const std::size_t padding = kPageBytes > base.size() ? kPageBytes - base.size() : 0;
    const std::size_t perResult = padding / kPageResults;
    std::string page;
    page.reserve(kPageBytes + kFiller.size());
    std::size_t from = 0;
    int results = 0;
    for (std::size_t at = base.find(kResultStart); at != std::string::npos;
         at = base.find(kResultStart, at + 1)) {
        page.append(base, from, at - from);
        from = at;
        ++results;
        const std::size_t target
            = page.size() + (results == kPageResults ? padding - perResult * (kPageResults - 1) : perResult);
        while (page.size() + kFiller.size() <= target) {
            page += kFiller;
        }
        page.append(target - page.size(), ' ');
    }
    page.append(base, from, std::string::npos);
    return page;
}

} // namespace

const std::string& Utf8ResultPage()
{
    static const std::string page = BuildPage();
    return page;
}

const Text& Cp936ResultPage()
{
    static const Text page = Cp936FromUtf8(Utf8ResultPage());
    return page;
}

void MemchrScan(benchmark::State& state, std::string_view page)
{
    for (auto _ : state) {
        const void* found = std::memchr(page.data(), 0, page.size());
        benchmark::DoNotOptimize(found);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

} // namespace kf::bench
