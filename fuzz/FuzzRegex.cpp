// Fuzz target for RegexMatcher: any pattern over any subject; every match must be a piece of the
// subject at its position, in order and without overlap.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "text/RegexMatcher.h"

namespace {

// Subjects stay small so that the matcher's limits keep every run short.
constexpr std::size_t kMaxSubject = 64 * 1024;
// Only the first matches are checked one by one; the count is checked whole.
constexpr int kCheckedMatches = 256;

void CheckOutOfRange(const kf::RegexMatcher& matcher, int i, int j)
{
    int position = 0;
    KF_FUZZ_CHECK(matcher.SubMatchText(i, j, &position).empty() && position == -2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool caseSensitive = input.ConsumeBool();
    const bool multiline = input.ConsumeBool();
    const bool global = input.ConsumeBool();
    const std::string pattern = input.ConsumeRandomLengthString(256);
    const std::string replacement = input.ConsumeRandomLengthString(64);
    std::string subjectBytes = input.ConsumeRemainingBytesAsString();
    if (subjectBytes.size() > kMaxSubject)
        subjectBytes.resize(kMaxSubject);
    const std::string_view subject = kf::TextView(subjectBytes);

    kf::RegexMatcher matcher;
    const bool searched = matcher.Search(pattern, subjectBytes, caseSensitive, multiline, global);
    KF_FUZZ_CHECK(matcher.PatternText() == kf::TextView(pattern));
    const int count = matcher.MatchCount();
    KF_FUZZ_CHECK(count >= 0);
    KF_FUZZ_CHECK(searched || count == 0);
    KF_FUZZ_CHECK(global || count <= 1);
    const int groups = matcher.SubMatchCount();
    KF_FUZZ_CHECK(groups >= 0 && (count > 0 || groups == 0));

    std::size_t previousEnd = 0;
    for (int i = 1; i <= std::min(count, kCheckedMatches); ++i) {
        int position = -1;
        const kf::Text match = matcher.MatchText(i, &position);
        KF_FUZZ_CHECK(position >= 0);
        const auto at = static_cast<std::size_t>(position);
        KF_FUZZ_CHECK(kf::fuzz::IsAt(subject, match, at));
        KF_FUZZ_CHECK(at >= previousEnd);
        previousEnd = at + match.size();
        for (int j = 1; j <= std::min(groups, 16); ++j) {
            int groupPosition = -1;
            const kf::Text group = matcher.SubMatchText(i, j, &groupPosition);
            if (groupPosition == -2)
                KF_FUZZ_CHECK(group.empty());
            else
                KF_FUZZ_CHECK(groupPosition >= 0
                    && kf::fuzz::IsAt(subject, group, static_cast<std::size_t>(groupPosition)));
        }
        CheckOutOfRange(matcher, i, groups + 1);
        CheckOutOfRange(matcher, i, 0);
        CheckOutOfRange(matcher, i, -1);
    }
    CheckOutOfRange(matcher, 0, 1);
    CheckOutOfRange(matcher, count + 1, 1);
    int position = 0;
    KF_FUZZ_CHECK(matcher.MatchText(count + 1, &position).empty() && position == -2);
    KF_FUZZ_CHECK(matcher.MatchText(-1, &position).empty() && position == -2);

    const kf::Text replaced = matcher.ReplaceAll(replacement);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(replaced));
    if (searched)
        KF_FUZZ_CHECK(matcher.ReplaceAll("$&") == subject);

    const auto copy = matcher.Copy();
    KF_FUZZ_CHECK(copy->MatchCount() == count && copy->SubMatchCount() == groups);
    KF_FUZZ_CHECK(copy->MatchText(count) == matcher.MatchText(count));
    matcher.Release();
    KF_FUZZ_CHECK(matcher.MatchCount() == 0 && matcher.PatternText().empty());
    KF_FUZZ_CHECK(copy->MatchCount() == count);
    return 0;
}
