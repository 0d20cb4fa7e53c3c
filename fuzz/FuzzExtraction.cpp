// Fuzz target for the extraction rules over a whole result page, the way a search run reads one,
// and for the redirect rule over the same bytes taken as a redirect response.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "search/Extraction.h"
#include "text/RegexMatcher.h"

namespace {

constexpr std::size_t kMaxPage = 256 * 1024;

bool IsInside(std::string_view whole, std::string_view part)
{
    return whole.find(part) != std::string_view::npos;
}

// Walking by characters, no tab and no blank is left (a trail byte of 0x20 or 0x09 is not one).
bool HasTabOrBlank(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) {
            i += 2;
            continue;
        }
        if (text[i] == '\t' || text[i] == ' ')
            return true;
        ++i;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), std::min(size, kMaxPage));
    const std::string_view page = kf::TextView(bytes);

    const kf::Text cleaned = kf::CleanResultPage(bytes);
    KF_FUZZ_CHECK(cleaned.size() <= page.size() && !kf::fuzz::HasZeroByte(cleaned));
    KF_FUZZ_CHECK(!HasTabOrBlank(cleaned));

    kf::RegexMatcher titles;
    kf::RegexMatcher links;
    KF_FUZZ_CHECK(titles.Search(kf::TitlePattern, cleaned));
    KF_FUZZ_CHECK(links.Search(kf::LinkPattern, cleaned));
    const kf::Text count = kf::ResultCountText(cleaned);
    KF_FUZZ_CHECK(IsInside(cleaned, count));

    const int rows = titles.MatchCount();
    KF_FUZZ_CHECK(rows >= 0 && links.MatchCount() >= 0);
    for (int i = 1; i <= rows + 1; ++i) {
        const kf::Text title = titles.SubMatchText(i, 1);
        const kf::Text link = links.SubMatchText(i, 1);
        KF_FUZZ_CHECK(IsInside(cleaned, title) && IsInside(cleaned, link));
        // A capture of `.*?` never crosses a line.
        KF_FUZZ_CHECK(title.find('\n') == std::string::npos && link.find('\n') == std::string::npos);
        const kf::Text shown = kf::CleanTitle(title);
        KF_FUZZ_CHECK(shown.size() <= title.size() && !kf::fuzz::HasZeroByte(shown));
    }
    KF_FUZZ_CHECK(titles.SubMatchText(rows + 1, 1).empty());

    const kf::Text address = kf::RealAddressFromRedirectPage(bytes);
    KF_FUZZ_CHECK(IsInside(page, address));
    return 0;
}
