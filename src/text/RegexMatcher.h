// RegexMatcher: one regular expression over one cp936 subject, with numbered matches and
// capture groups. PCRE2 in UTF mode with JIT does the matching on characters.
#pragma once

#include <memory>
#include <string_view>

#include "text/Text.h"

namespace kf {

class RegexMatcher {
public:
    RegexMatcher();
    ~RegexMatcher();
    RegexMatcher(const RegexMatcher&) = delete;
    RegexMatcher& operator=(const RegexMatcher&) = delete;

    // Gives up the compiled pattern, the matches and the subject; the matcher can search again.
    void Release();
    // A new matcher with the same pattern, options, matches and its own copy of the subject.
    std::unique_ptr<RegexMatcher> Copy() const;

    // True when the pattern compiled and the subject was searched (also with zero matches).
    // Defaults: case-insensitive, multi-line, global. `.` never matches a line feed.
    bool Search(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
        bool multiline = true, bool global = true);
    Text PatternText() const;
    // The subject with the matches replaced; `$1`..`$99`, `$&` and `$$` as in JavaScript.
    Text ReplaceAll(std::string_view replacement) const;
    int MatchCount() const;
    // i and j count from 1. Out-of-range indexes give the empty text. `position`, when given,
    // receives the byte offset (from 0) in the subject, or -2 when there is no such text.
    Text MatchText(int i, int* position = nullptr) const;
    Text SubMatchText(int i, int j, int* position = nullptr) const;
    int SubMatchCount() const;

private:
    struct State;
    std::shared_ptr<const State> state_;
};

} // namespace kf
