// The 1 MB result page that the extraction and conversion benchmarks read: the simulator's page
// with 100 results, each padded with abstract text so that the whole page is 1 MB.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace benchmark {
class State;
}

#include "text/Text.h"

namespace kf::bench {

inline constexpr std::size_t kPageBytes = 1 << 20;
inline constexpr int kPageResults = 100;

// As the engine sends it: UTF-8, with tabs and blanks, kPageResults results, kPageBytes long.
const std::string& Utf8ResultPage();
// The same page in cp936, as the search run reads it after the conversion.
const Text& Cp936ResultPage();

// The memory-speed floor for a pass over `page`: memchr for a zero byte, which a text never holds,
// so every run scans the whole page.
void MemchrScan(benchmark::State& state, std::string_view page);

} // namespace kf::bench
