// Conversions between the two data shapes.
#include "text/Text.h"

#include <algorithm>

namespace kf {

Text TextFromBytes(const Bytes& bytes)
{
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t {0});
    return Text(bytes.begin(), end);
}

std::string_view TextView(std::string_view bytes)
{
    const auto zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

Bytes BytesFromText(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

} // namespace kf
