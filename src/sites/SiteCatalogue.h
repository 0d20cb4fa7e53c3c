// The catalogue of the 93 searchable sites and the selection that builds the query prefix.
#pragma once

#include <span>
#include <string_view>

#include "sites/Globals.h"
#include "text/Text.h"

namespace kf {

struct SiteEntry {
    int number; // 1..93, also the number in the button's name 单选框N
    int page; // 1..6, the tab page that holds the button
    std::string_view caption; // UTF-8, shown exactly as written
    std::string_view domain; // plain host name, the operand of "site:"
};

inline constexpr int SiteCount = 93;
inline constexpr int PageCount = 6;

// All entries, in number order: SiteCatalogue()[n - 1] is entry n.
std::span<const SiteEntry> SiteCatalogue();
const SiteEntry* FindSite(int number); // nullptr outside 1..93

// Tab captions of the six pages, UTF-8, in page order.
std::span<const std::string_view> PageCaptions();

// "http://" + the engine's host, or KESTRELFIND_ENGINE_URL when that is set (read once).
Text EngineAddress();

// Replaces `SiteQueryPrefix` with the engine's search address up to "site:", the domain, one blank.
void SelectSite(Globals& globals, std::string_view domain);

// The handler of site button `number`: selects its site when the button reads checked.
void OnSiteButtonClicked(Globals& globals, int number, bool checked);

} // namespace kf
