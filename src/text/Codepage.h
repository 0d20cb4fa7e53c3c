// Conversions between cp936 text and UTF-8 / UTF-16, over ICU, shared by the whole program.
#pragma once

#include <string>
#include <string_view>

#include "text/Text.h"

namespace kf {

// UTF-8 to cp936. A character without a cp936 form, and every malformed UTF-8 sequence,
// becomes "?" and the conversion goes on. Input stops at its first zero byte.
Text Cp936FromUtf8(std::string_view utf8);

// cp936 to UTF-8. A byte sequence that is not valid cp936 becomes U+FFFD.
std::string Utf8FromCp936(std::string_view text);

std::u16string Utf16FromCp936(std::string_view text);
Text Cp936FromUtf16(std::u16string_view utf16);

// Makes a cp936 constant from a UTF-8 literal: Cp936("搜索中...").
Text Cp936(std::string_view utf8Literal);

} // namespace kf
