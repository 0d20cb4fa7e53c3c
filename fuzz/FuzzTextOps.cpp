// Fuzz target for the text primitives, the marker helpers and the address helpers: checks the
// properties every result must have, whatever the bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "text/TextOps.h"

namespace {

using kf::Text;
using kf::TextView;

bool IsPrefix(std::string_view whole, std::string_view part)
{
    return whole.substr(0, part.size()) == part;
}

bool IsSuffix(std::string_view whole, std::string_view part)
{
    return whole.size() >= part.size() && whole.substr(whole.size() - part.size()) == part;
}

bool IsInside(std::string_view whole, std::string_view part)
{
    return whole.find(part) != std::string_view::npos;
}

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle, bool ignoreCase)
{
    if (at > text.size() || text.size() - at < needle.size())
        return false;
    for (std::size_t k = 0; k < needle.size(); ++k) {
        const char a = text[at + k];
        const char b = needle[k];
        if (ignoreCase ? Fold(a) != Fold(b) : a != b)
            return false;
    }
    return true;
}

void CheckFind(std::string_view text, std::string_view needle, int start, bool ignoreCase)
{
    const std::string_view t = TextView(text);
    const std::string_view n = TextView(needle);
    const int from = std::max(start, 1);
    const int found = kf::FindText(text, needle, start, ignoreCase);
    KF_FUZZ_CHECK(found == -1 || (found >= 1 && static_cast<std::size_t>(found) <= t.size()));
    if (n.empty()) {
        KF_FUZZ_CHECK(found == (static_cast<std::size_t>(from) <= t.size() ? 1 : -1));
        return;
    }
    if (found < 0)
        return;
    KF_FUZZ_CHECK(found >= from);
    KF_FUZZ_CHECK(MatchesAt(t, static_cast<std::size_t>(found) - 1, n, ignoreCase));
    // A match position is itself a candidate: searching again from it finds it again.
    KF_FUZZ_CHECK(kf::FindText(text, needle, found, ignoreCase) == found);
    if (!ignoreCase) {
        // Ignoring case can only find the same occurrence or an earlier one.
        const int folded = kf::FindText(text, needle, start, true);
        KF_FUZZ_CHECK(folded >= from && folded <= found);
    }
}

void CheckParts(std::string_view text, int n, int start)
{
    const std::string_view t = TextView(text);
    const std::size_t size = t.size();
    const Text left = kf::LeftPart(text, n);
    const Text right = kf::RightPart(text, n);
    const std::size_t expected = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), size);
    KF_FUZZ_CHECK(left.size() == expected && IsPrefix(t, left));
    KF_FUZZ_CHECK(right.size() == expected && IsSuffix(t, right));
    const Text middle = kf::MiddlePart(text, start, n);
    if (start < 1 || static_cast<std::size_t>(start) > size || n <= 0)
        KF_FUZZ_CHECK(middle.empty());
    else
        KF_FUZZ_CHECK(middle == t.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
    const Text rest = kf::RemoveLeadingBytes(text, n);
    KF_FUZZ_CHECK(rest.size() == size - expected && IsSuffix(t, rest));

    const Text lower = kf::LowerCase(text);
    KF_FUZZ_CHECK(lower.size() == size && kf::LowerCase(lower) == lower);

    const Text trimmed = kf::TrimBlanks(text);
    KF_FUZZ_CHECK(IsInside(t, trimmed) && kf::TrimBlanks(trimmed) == trimmed);
    KF_FUZZ_CHECK(trimmed.empty() || trimmed.front() != ' ');

    const double number = kf::ToNumber(text);
    KF_FUZZ_CHECK(!std::isnan(number));
}

void CheckReplace(
    std::string_view text, std::string_view old, std::string_view replacement, int count, bool exactCase)
{
    const std::string_view t = TextView(text);
    const std::string_view o = TextView(old);
    const Text result = kf::ReplaceText(text, old, replacement, count, exactCase);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(result));
    if (t.empty() || o.empty() || count == 0)
        KF_FUZZ_CHECK(result == t);
    // Replacing an exact occurrence by itself changes nothing.
    KF_FUZZ_CHECK(kf::ReplaceText(text, old, o, count, true) == t);
    // Removing can only shorten.
    KF_FUZZ_CHECK(kf::ReplaceText(text, old, {}, count, exactCase).size() <= t.size());
}

void CheckMarkers(
    std::string_view text, std::string_view first, std::string_view second, int start, bool flag)
{
    const std::string_view t = TextView(text);
    const Text between = kf::TextBetween(text, first, second, start, flag);
    KF_FUZZ_CHECK(IsInside(t, between) && between.size() < std::max<std::size_t>(t.size(), 1));
    const Text before = kf::TextBefore(text, first, start, flag);
    KF_FUZZ_CHECK(IsPrefix(t, before) && before.size() < std::max<std::size_t>(t.size(), 1));
}

void CheckAddress(std::string_view address)
{
    const std::string_view a = TextView(address);
    const Text host = kf::UrlHost(address);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(host) && host.size() <= a.size());
    KF_FUZZ_CHECK(kf::LowerCase(host) == host);
    KF_FUZZ_CHECK(kf::FindText(host, "/") == -1 && kf::FindText(host, ":") == -1);
    const Text path = kf::UrlPath(address);
    KF_FUZZ_CHECK(!path.empty() && path.front() == '/');
    KF_FUZZ_CHECK(path == "/" || IsSuffix(a, path));
    (void)kf::UrlPort(address); // any int; the sanitizers watch the conversion
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool flag = input.ConsumeBool();
    const int start = input.ConsumeIntegralInRange<int>(-3, 300);
    const int n = input.ConsumeIntegralInRange<int>(-3, 300);
    const int count = input.ConsumeIntegralInRange<int>(-2, 4);
    const std::string first = input.ConsumeRandomLengthString(64);
    const std::string second = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    CheckFind(text, first, start, flag);
    CheckFind(text, second, start, !flag);
    CheckParts(text, n, start);
    CheckReplace(text, first, second, count, flag);
    CheckMarkers(text, first, second, start, flag);
    CheckAddress(text);
    CheckAddress(first);
    return 0;
}
