// Reading the engine's result page and a result's redirect response: clean-up, the two
// patterns, the count markers and the redirect address markers.
#pragma once

#include <string_view>

#include "text/Text.h"

namespace kf {

// Both patterns are written against a page whose tabs and blanks are gone and whose lines end in
// a bare line feed; they are plain ASCII, so their cp936 form is the literal itself.
inline constexpr std::string_view TitlePattern = "\"\n\ntarget=\"_blank\"\n\n>(.*?)</a></h3>";
inline constexpr std::string_view LinkPattern = "<adata-nologhref=\"(.*?)\"\ntarget=\"_blank\"";

// Markers in cp936, made once from their UTF-8 literals.
const Text& CountStartMarker(); // "百度为您找到相关结果约"
const Text& CountFallbackMarker(); // "百度为您找到相关结果"
const Text& CountEndMarker(); // "个"
const Text& RedirectStartMarker(); // "百度和网页<a href=\""
const Text& RedirectEndMarker(); // "\">http://"

// The page without any tab, then without any blank (0x20); everything else stays.
Text CleanResultPage(std::string_view page);
// The approximate number of results as the page writes it, or empty.
Text ResultCountText(std::string_view cleanedPage);
// A captured title without its "</em>" and "<em>" tags (exact case).
Text CleanTitle(std::string_view title);
// The real address cut out of a redirect response, or empty.
Text RealAddressFromRedirectPage(std::string_view response);

} // namespace kf
