// Throughput of the text core over a 1 MB cp936 result page: FindText, TextBetween,
// Base64Decode and one full title-extraction pass of RegexMatcher, beside a memchr scan.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "BenchPage.h"
#include "text/Base64.h"
#include "text/Codepage.h"
#include "text/RegexMatcher.h"
#include "text/TextOps.h"

namespace {

constexpr std::size_t kPageSize = 1 << 20;
constexpr int kResults = 100;

// A result page shaped like the engine's: markup, Chinese text, and 100 title blocks spread
// evenly; the count markers sit at the end so the marker helpers read the whole page.
const kf::Text& Page()
{
    static const kf::Text page = [] {
        const kf::Text filler
            = kf::Cp936("<divclass=\"c-abstract\">关于搜索引擎的结果摘要，包含一些中文内容和数字123。</div>\n"
                        "<spanclass=\"c-showurl\">www.example.com/path/page.html</span>\n");
        const std::size_t block = kPageSize / kResults;
        kf::Text text;
        text.reserve(kPageSize + 4096);
        for (int i = 0; i < kResults; ++i) {
            const std::size_t blockEnd = (static_cast<std::size_t>(i) + 1) * block;
            while (text.size() + filler.size() < blockEnd - 200) {
                text += filler;
            }
            text += kf::Cp936("<h3class=\"t\"><ahref=\"http://www.baidu.com/link?url=abc") + std::to_string(i)
                + "\"\n\ntarget=\"_blank\"\n\n>" + kf::Cp936("标题第") + std::to_string(i)
                + kf::Cp936("条结果") + "</a></h3>\n";
        }
        text += kf::Cp936("百度为您找到相关结果约1,234,000个");
        return text;
    }();
    return page;
}

// The memory-speed floor for the passes below: memchr for a byte that a text never holds.
void BM_MemchrScan(benchmark::State& state)
{
    kf::bench::MemchrScan(state, Page());
}
BENCHMARK(BM_MemchrScan);

void BM_FindText(benchmark::State& state)
{
    const kf::Text& page = Page();
    const kf::Text needle = kf::Cp936("百度为您找到");
    const bool ignoreCase = state.range(0) != 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kf::FindText(page, needle, 1, ignoreCase));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindText)->Arg(0)->Arg(1);

void BM_TextBetween(benchmark::State& state)
{
    const kf::Text& page = Page();
    const kf::Text startMarker = kf::Cp936("百度为您找到相关结果约");
    const kf::Text endMarker = kf::Cp936("个");
    for (auto _ : state) {
        benchmark::DoNotOptimize(kf::TextBetween(page, startMarker, endMarker));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_TextBetween);

void BM_Base64Decode(benchmark::State& state)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    kf::Text encoded;
    for (std::size_t i = 0; encoded.size() < kPageSize; ++i) {
        encoded.push_back(alphabet[(i * 7) % 64]);
        if (i % 76 == 75) {
            encoded += "\r\n";
        }
    }
    std::size_t pendingSteps = 0;
    const kf::PendingMessagesStep pending = [&pendingSteps] { ++pendingSteps; };
    for (auto _ : state) {
        kf::Text text = encoded;
        benchmark::DoNotOptimize(kf::Base64Decode(text, pending));
    }
    benchmark::DoNotOptimize(pendingSteps);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * encoded.size()));
}
BENCHMARK(BM_Base64Decode);

// One Search, MatchCount and every SubMatchText, as a search run does with the title pattern.
void BM_RegexTitlePass(benchmark::State& state)
{
    const kf::Text& page = Page();
    const kf::Text pattern = "\"\n\ntarget=\"_blank\"\n\n>(.*?)</a></h3>";
    std::size_t total = 0;
    for (auto _ : state) {
        kf::RegexMatcher matcher;
        matcher.Search(pattern, page);
        const int count = matcher.MatchCount();
        for (int i = 1; i <= count; ++i) {
            total += matcher.SubMatchText(i, 1).size();
        }
        if (count != kResults) {
            state.SkipWithError("wrong match count");
            break;
        }
    }
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_RegexTitlePass);

} // namespace
