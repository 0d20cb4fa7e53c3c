// Extraction rules over cp936 text, built on the text layer's replace and marker helpers.
#include "search/Extraction.h"

#include <algorithm>

#include "text/Codepage.h"
#include "text/TextOps.h"

namespace kf {

const Text& CountStartMarker()
{
    static const Text marker = Cp936("百度为您找到相关结果约");
    return marker;
}

const Text& CountFallbackMarker()
{
    static const Text marker = Cp936("百度为您找到相关结果");
    return marker;
}

const Text& CountEndMarker()
{
    static const Text marker = Cp936("个");
    return marker;
}

const Text& RedirectStartMarker()
{
    static const Text marker = Cp936("百度和网页<a href=\"");
    return marker;
}

const Text& RedirectEndMarker()
{
    static const Text marker = Cp936("\">http://");
    return marker;
}

Text CleanResultPage(std::string_view page)
{
    // One pass that gives what removing every tab and then every blank gives, stepping by
    // characters: a removed byte is always a whole character, so it never changes where the
    // characters after it begin, and a tab or blank that is the second byte of a character stays.
    page = TextView(page);
    Text cleaned;
    cleaned.reserve(page.size());
    std::size_t i = 0;
    while (i < page.size()) {
        const auto byte = static_cast<unsigned char>(page[i]);
        if (byte >= 0x80) {
            const std::size_t length = std::min<std::size_t>(2, page.size() - i);
            cleaned.append(page.substr(i, length));
            i += length;
            continue;
        }
        if (byte != '\t' && byte != ' ') {
            cleaned.push_back(static_cast<char>(byte));
        }
        ++i;
    }
    return cleaned;
}

Text ResultCountText(std::string_view cleanedPage)
{
    Text count = TextBetween(cleanedPage, CountStartMarker(), CountEndMarker());
    if (count.empty()) {
        count = TextBetween(cleanedPage, CountFallbackMarker(), CountEndMarker());
    }
    return count;
}

Text CleanTitle(std::string_view title)
{
    return ReplaceText(ReplaceText(title, "</em>"), "<em>");
}

Text RealAddressFromRedirectPage(std::string_view response)
{
    return TextBetween(response, RedirectStartMarker(), RedirectEndMarker());
}

} // namespace kf
