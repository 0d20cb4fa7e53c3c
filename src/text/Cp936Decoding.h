// Fast cp936 decoding with the way back from UTF-8 offsets to cp936 byte offsets, for the matcher.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kf {

// A cp936 text as UTF-8 plus the map back. Offsets map linearly between checkpoints; a checkpoint
// is stored after every character whose length differs in the two encodings.
struct Cp936Utf8View {
    std::string utf8;
    std::vector<std::size_t> checkpointUtf8 {0};
    std::vector<std::size_t> checkpointCp936 {0};

    // The cp936 byte offset of a UTF-8 offset that lies on a character boundary.
    std::size_t Cp936Offset(std::size_t utf8Offset) const;
};

// Decodes all of `text` (zero bytes included) exactly as the windows-936-2000 converter does; a
// byte that does not decode becomes U+FFFD on its own. The UTF-8 is valid by construction.
Cp936Utf8View DecodeCp936ToUtf8(std::string_view text, bool withMap = true);

// The same decoding into UTF-16.
std::u16string DecodeCp936ToUtf16(std::string_view text);

} // namespace kf
