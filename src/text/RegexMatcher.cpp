// RegexMatcher over PCRE2: the cp936 subject is matched as UTF-8 and every match is kept as byte
// offsets in the cp936 subject, so results are cut out of the subject's own bytes.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "text/RegexMatcher.h"

#include <pcre2.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "text/Codepage.h"
#include "text/Cp936Decoding.h"

namespace kf {

namespace {

constexpr std::uint32_t kUnset = UINT32_MAX;

// Bounds that keep a hostile page from hanging a run or taking unbounded memory. A match that
// reaches one of them ends the search with the matches found so far.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kDepthLimit = 100'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;
constexpr std::size_t kJitStackMax = 8 * 1024 * 1024;
constexpr std::size_t kMaxStoredOffsets = std::size_t {1} << 25;
// A thread keeps the UTF-8 view of pages up to this size for its next search.
constexpr std::size_t kKeptViewBytes = 16 * 1024 * 1024;

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

std::size_t Utf8CharLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    return 2;
}

} // namespace

struct RegexMatcher::State {
    Text pattern;
    Text subject;
    bool searched = false; // the pattern compiled and the subject was searched
    bool global = true;
    int groupCount = 0;
    std::size_t matchCount = 0;
    // Per match, (groupCount + 1) pairs of cp936 byte offsets; kUnset for a group that took no part.
    std::vector<std::uint32_t> spans;

    std::size_t Stride() const { return 2 * (static_cast<std::size_t>(groupCount) + 1); }

    // Group `group` (0 for the whole match) of match `index` (from 0), or false when unset.
    bool Span(std::size_t index, int group, std::size_t& begin, std::size_t& end) const
    {
        const std::size_t at = index * Stride() + 2 * static_cast<std::size_t>(group);
        if (spans[at] == kUnset) {
            return false;
        }
        begin = spans[at];
        end = spans[at + 1];
        return true;
    }

    // The text of group `group` (0 for the whole match) of match i (from 1), cut from the subject.
    Text Cut(int i, int group, int* position) const
    {
        if (position != nullptr) {
            *position = -2;
        }
        if (i < 1 || static_cast<std::size_t>(i) > matchCount || group < 0 || group > groupCount) {
            return {};
        }
        std::size_t begin = 0;
        std::size_t end = 0;
        if (!Span(static_cast<std::size_t>(i) - 1, group, begin, end)) {
            return {};
        }
        if (position != nullptr) {
            *position = static_cast<int>(begin);
        }
        return subject.substr(begin, end - begin);
    }
};

RegexMatcher::RegexMatcher() = default;
RegexMatcher::~RegexMatcher() = default;

void RegexMatcher::Release()
{
    state_.reset();
}

std::unique_ptr<RegexMatcher> RegexMatcher::Copy() const
{
    // The state is never changed after a search, so the copy can share it.
    auto copy = std::make_unique<RegexMatcher>();
    copy->state_ = state_;
    return copy;
}

bool RegexMatcher::Search(
    std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiline, bool global)
{
    auto state = std::make_shared<State>();
    state->pattern = Text(TextView(pattern));
    state->subject = Text(TextView(subject));
    state->global = global;
    state_ = state;
    // Offsets are stored in 32 bits and handed out as ints.
    if (state->subject.size() >= static_cast<std::size_t>(INT_MAX)) {
        return false;
    }

    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(
        pcre2_compile_context_create(nullptr));
    if (!compileContext) {
        return false;
    }
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
    // JavaScript-like syntax: \uhhhh, a back reference to an unset group matches empty, `$` only at
    // the very end outside multi-line mode; \C is refused because it could split a character.
    std::uint32_t options = PCRE2_UTF | PCRE2_NO_UTF_CHECK | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF
        | PCRE2_NEVER_BACKSLASH_C | PCRE2_DOLLAR_ENDONLY;
    if (!caseSensitive) {
        options |= PCRE2_CASELESS;
    }
    if (multiline) {
        options |= PCRE2_MULTILINE;
    }
    const std::string utf8Pattern = Utf8FromCp936(state->pattern);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(), options,
            &errorCode, &errorOffset, compileContext.get()));
    if (!code) {
        return false;
    }
    // Without JIT (not available, or out of memory) the interpreter runs under the same limits.
    pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);

    std::uint32_t captureCount = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
    state->groupCount = static_cast<int>(captureCount);

    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext(
        pcre2_match_context_create(nullptr));
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack(
        pcre2_jit_stack_create(32 * 1024, kJitStackMax, nullptr));
    if (!matchContext || !matchData) {
        return false;
    }
    pcre2_set_match_limit(matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(matchContext.get(), kDepthLimit);
    pcre2_set_heap_limit(matchContext.get(), kHeapLimitKiB);
    if (jitStack) {
        pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
    }

    // The UTF-8 view is only needed while searching; each thread reuses one to spare the
    // allocation and page faults of a fresh buffer per page.
    thread_local Cp936Utf8View view;
    view.Decode(state->subject);
    const auto* utf8 = reinterpret_cast<PCRE2_SPTR>(view.Utf8().data());
    const std::size_t length = view.Utf8().size();
    const std::size_t stride = state->Stride();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    std::size_t from = 0;
    while (from <= length) {
        const int rc = pcre2_match(
            code.get(), utf8, length, from, PCRE2_NO_UTF_CHECK, matchData.get(), matchContext.get());
        // No match, or a limit reached: the search ends with what it found.
        if (rc <= 0 || ovector[0] > ovector[1] || state->spans.size() + stride > kMaxStoredOffsets) {
            break;
        }
        for (std::size_t g = 0; g < stride / 2; ++g) {
            if (ovector[2 * g] == PCRE2_UNSET || static_cast<int>(g) >= rc) {
                state->spans.push_back(kUnset);
                state->spans.push_back(kUnset);
            } else {
                state->spans.push_back(static_cast<std::uint32_t>(view.Cp936Offset(ovector[2 * g])));
                state->spans.push_back(static_cast<std::uint32_t>(view.Cp936Offset(ovector[2 * g + 1])));
            }
        }
        ++state->matchCount;
        if (!global) {
            break;
        }
        // After an empty match the next search starts one character further on.
        from = ovector[1];
        if (ovector[1] == ovector[0]) {
            if (from >= length) {
                break;
            }
            from += Utf8CharLength(static_cast<unsigned char>(view.Utf8()[from]));
        }
    }
    view.Trim(kKeptViewBytes);
    state->searched = true;
    return true;
}

Text RegexMatcher::PatternText() const
{
    return state_ ? state_->pattern : Text();
}

Text RegexMatcher::ReplaceAll(std::string_view replacement) const
{
    if (!state_ || !state_->searched) {
        return {};
    }
    const State& s = *state_;
    const std::string_view subject = s.subject;
    replacement = TextView(replacement);
    Text result;
    result.reserve(subject.size());
    std::size_t copied = 0;
    for (std::size_t m = 0; m < s.matchCount; ++m) {
        std::size_t matchBegin = 0;
        std::size_t matchEnd = 0;
        s.Span(m, 0, matchBegin, matchEnd);
        result.append(subject.substr(copied, matchBegin - copied));
        for (std::size_t i = 0; i < replacement.size();) {
            const auto byte = static_cast<unsigned char>(replacement[i]);
            if (byte >= 0x80) {
                result.append(replacement.substr(i, 2));
                i += 2;
                continue;
            }
            if (byte != '$' || i + 1 >= replacement.size()) {
                result.push_back(static_cast<char>(byte));
                ++i;
                continue;
            }
            const char next = replacement[i + 1];
            if (next == '$') {
                result.push_back('$');
                i += 2;
            } else if (next == '&') {
                result.append(subject.substr(matchBegin, matchEnd - matchBegin));
                i += 2;
            } else if (next == '`') {
                result.append(subject.substr(0, matchBegin));
                i += 2;
            } else if (next == '\'') {
                result.append(subject.substr(matchEnd));
                i += 2;
            } else if (next >= '0' && next <= '9') {
                // Two digits when they name a group, else one digit when it does, else literal.
                int group = next - '0';
                std::size_t used = 2;
                if (i + 2 < replacement.size() && replacement[i + 2] >= '0' && replacement[i + 2] <= '9') {
                    const int twoDigits = group * 10 + (replacement[i + 2] - '0');
                    if (twoDigits >= 1 && twoDigits <= s.groupCount) {
                        group = twoDigits;
                        used = 3;
                    }
                }
                if (group >= 1 && group <= s.groupCount) {
                    std::size_t begin = 0;
                    std::size_t end = 0;
                    if (s.Span(m, group, begin, end)) {
                        result.append(subject.substr(begin, end - begin));
                    }
                    i += used;
                } else {
                    result.push_back('$');
                    ++i;
                }
            } else {
                result.push_back('$');
                ++i;
            }
        }
        copied = matchEnd;
    }
    result.append(subject.substr(copied));
    return Text(TextView(result));
}

int RegexMatcher::MatchCount() const
{
    return state_ ? static_cast<int>(state_->matchCount) : 0;
}

Text RegexMatcher::MatchText(int i, int* position) const
{
    if (!state_) {
        if (position != nullptr) {
            *position = -2;
        }
        return {};
    }
    return state_->Cut(i, 0, position);
}

Text RegexMatcher::SubMatchText(int i, int j, int* position) const
{
    if (!state_ || j < 1) {
        if (position != nullptr) {
            *position = -2;
        }
        return {};
    }
    return state_->Cut(i, j, position);
}

int RegexMatcher::SubMatchCount() const
{
    return state_ && state_->matchCount > 0 ? state_->groupCount : 0;
}

} // namespace kf
