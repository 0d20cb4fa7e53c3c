// The check every fuzz target uses: a broken invariant stops the run with a message, so libFuzzer
// keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kf::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "invariant broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

// True when `part` lies inside `whole` at byte offset `at`.
inline bool IsAt(std::string_view whole, std::string_view part, std::size_t at)
{
    return at <= whole.size() && whole.size() - at >= part.size()
        && whole.compare(at, part.size(), part) == 0;
}

inline bool HasZeroByte(std::string_view text)
{
    return text.find('\0') != std::string_view::npos;
}

} // namespace kf::fuzz

#define KF_FUZZ_CHECK(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::kf::fuzz::Fail(#condition, __FILE__, __LINE__);                                                \
    } while (false)
