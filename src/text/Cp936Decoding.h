// Decoding of cp936 text into UTF-16 with the source offset of every code unit, for the matcher.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kf {

// Decodes `text` (all of it, zero bytes included) into UTF-16. offsets[k] is the byte offset in
// `text` where the character of code unit k begins. Undecodable bytes become U+FFFD.
void DecodeCp936WithOffsets(std::string_view text, std::u16string& utf16, std::vector<std::int32_t>& offsets);

} // namespace kf
