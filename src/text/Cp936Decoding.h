// Fast cp936 decoding into UTF-8 with the way back to cp936 byte offsets, for the matcher.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kf {

// A cp936 text as UTF-8 and a sparse map back: a checkpoint (UTF-8 offset, cp936 offset) on a
// character boundary about every 64 UTF-8 bytes; offsets in between are found by decoding forward.
// Its storage is meant to be reused from one decoding to the next.
class Cp936Utf8View {
public:
    // Decodes all of `text` (zero bytes included) exactly as the windows-936-2000 converter does;
    // a byte that does not decode becomes U+FFFD. The UTF-8 is valid by construction. `text` must
    // outlive the use of Cp936Offset.
    void Decode(std::string_view text);

    std::string_view Utf8() const { return {buffer_.get(), size_}; }
    // The cp936 byte offset of a UTF-8 offset that lies on a character boundary.
    std::size_t Cp936Offset(std::size_t utf8Offset) const;
    // Gives back the storage when it has grown beyond `keepBytes`.
    void Trim(std::size_t keepBytes);

private:
    std::string_view source_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::vector<std::size_t> checkpointUtf8_;
    std::vector<std::size_t> checkpointCp936_;
};

// The same decoding into UTF-16 and into UTF-8.
std::u16string DecodeCp936ToUtf16(std::string_view text);

} // namespace kf
