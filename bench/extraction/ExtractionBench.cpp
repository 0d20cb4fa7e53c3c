// Reading a 1 MB result page with 100 results as a search run does (clean-up, both patterns,
// every capture, the count and every title), next to a plain memchr scan of the same page.
#include <benchmark/benchmark.h>

#include <cstring>

#include "BenchPage.h"
#include "search/Extraction.h"
#include "text/RegexMatcher.h"

namespace {

using kf::bench::Cp936ResultPage;

// The memory-speed floor: one pass over every byte. A cp936 text never holds a zero byte, so
// the search runs to the end.
void BM_MemchrScan(benchmark::State& state)
{
    kf::bench::MemchrScan(state, Cp936ResultPage());
}
BENCHMARK(BM_MemchrScan);

void BM_CleanResultPage(benchmark::State& state)
{
    const kf::Text& page = Cp936ResultPage();
    for (auto _ : state) {
        kf::Text cleaned = kf::CleanResultPage(page);
        benchmark::DoNotOptimize(cleaned.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_CleanResultPage);

// What one run does with the page before it touches the network again.
void BM_ExtractPage(benchmark::State& state)
{
    const kf::Text& page = Cp936ResultPage();
    std::size_t kept = 0;
    for (auto _ : state) {
        const kf::Text cleaned = kf::CleanResultPage(page);
        kf::RegexMatcher title;
        kf::RegexMatcher link;
        title.Search(kf::TitlePattern, cleaned);
        link.Search(kf::LinkPattern, cleaned);
        const kf::Text count = kf::ResultCountText(cleaned);
        const int titles = title.MatchCount();
        const int links = link.MatchCount();
        if (titles != kf::bench::kPageResults || links != kf::bench::kPageResults || count.empty()) {
            state.SkipWithError("the page did not give 100 titles, 100 links and a count");
            break;
        }
        for (int i = 1; i <= titles; ++i) {
            kept += kf::CleanTitle(title.SubMatchText(i, 1)).size();
        }
        for (int i = 1; i <= links; ++i) {
            kept += link.SubMatchText(i, 1).size();
        }
        kept += count.size();
    }
    benchmark::DoNotOptimize(kept);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ExtractPage);

} // namespace
