// Extraction rules over cp936 text, built on the text layer's replace and marker helpers.
#include "search/Extraction.h"

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
    return ReplaceText(ReplaceText(page, "\t"), " ");
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
