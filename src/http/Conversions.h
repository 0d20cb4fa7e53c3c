// Response text conversions into cp936.
#pragma once

#include <string_view>

#include "text/Text.h"

namespace kf {

// UTF-8 text to cp936; characters without a cp936 form and malformed UTF-8 become "?".
Text Utf8ToGbk(std::string_view text);
// Big5 (code page 950) text to cp936, Traditional characters mapped to Simplified ones.
Text Big5ToSimplifiedGbk(std::string_view text);

} // namespace kf
