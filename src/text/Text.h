// The two data shapes every layer shares: cp936 text and counted bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kf {

// Code-page-936 bytes. A Text never holds a zero byte: text made from bytes ends at their first
// zero (TextFromBytes). Lengths and positions count bytes.
using Text = std::string;

// A counted byte array; zero bytes are ordinary bytes here.
using Bytes = std::vector<std::uint8_t>;

// The bytes up to the first zero byte (all of them when there is none).
Text TextFromBytes(const Bytes& bytes);
// Cuts a view at its first zero byte, which is where a text ends.
std::string_view TextView(std::string_view bytes);
// The bytes of a text, without a terminating zero.
Bytes BytesFromText(std::string_view text);

} // namespace kf
