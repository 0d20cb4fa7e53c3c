// Text primitives on cp936 text (1-based byte positions, -1 for "not found"), the marker
// helpers TextBetween / TextBefore and the address helpers UrlHost / UrlPath / UrlPort.
#pragma once

#include <string_view>

#include "text/Text.h"

namespace kf {

// Every string_view argument is a text: it ends at its first zero byte.

int FindText(std::string_view text, std::string_view needle, int start = 1, bool ignoreCase = false);
Text LeftPart(std::string_view text, int n);
Text RightPart(std::string_view text, int n);
Text MiddlePart(std::string_view text, int start, int n);
Text LowerCase(std::string_view text);
// Leading and trailing blanks: ASCII space and the ideographic space A1 A1.
Text TrimBlanks(std::string_view text);
// count < 0 replaces every occurrence.
Text ReplaceText(std::string_view text, std::string_view old, std::string_view replacement = {},
    int count = -1, bool exactCase = true);
Text RemoveLeadingBytes(std::string_view text, int n);
double ToNumber(std::string_view text);

Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
    int start = 1, bool caseSensitive = false);
Text TextBefore(std::string_view text, std::string_view marker, int start = 1, bool ignoreCase = false);

Text UrlHost(std::string_view address);
Text UrlPath(std::string_view address);
int UrlPort(std::string_view address);

} // namespace kf
