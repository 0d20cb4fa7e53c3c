// The cp936 text primitives, the marker helpers and the address helpers.
#include "text/TextOps.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <string>

namespace kf {

namespace {

// A byte of 0x80 or above begins a double-byte character together with the byte after it.
bool IsLeadByte(unsigned char byte)
{
    return byte >= 0x80;
}

unsigned char FoldAscii(unsigned char byte)
{
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Bytes of the character that begins at `index` (1, or 2 for a lead byte that has a byte after it).
std::size_t CharacterLength(std::string_view text, std::size_t index)
{
    return (IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size()) ? 2 : 1;
}

bool MatchesAt(std::string_view text, std::size_t index, std::string_view needle, bool ignoreCase)
{
    if (text.size() - index < needle.size()) {
        return false;
    }
    if (!ignoreCase) {
        return text.compare(index, needle.size(), needle) == 0;
    }
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (FoldAscii(static_cast<unsigned char>(text[index + k]))
            != FoldAscii(static_cast<unsigned char>(needle[k]))) {
            return false;
        }
    }
    return true;
}

bool IsBlankAt(std::string_view text, std::size_t index, std::size_t length)
{
    if (length == 1) {
        return text[index] == ' ';
    }
    return static_cast<unsigned char>(text[index]) == 0xA1
        && static_cast<unsigned char>(text[index + 1]) == 0xA1;
}

// Positions are ints; a size that does not fit is clamped (texts of 2 GB do not occur in practice).
int ToPosition(std::size_t value)
{
    return value > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// Reads the longest leading decimal number (sign, digits, fraction, exponent) of an ASCII buffer.
double ParseDecimal(std::string_view ascii)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) {
        negative = ascii[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::size_t integerDigits = 0;
    std::size_t leadingZeros = 0;
    bool significantSeen = false;
    while (i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9') {
        if (ascii[i] != '0') {
            significantSeen = true;
        }
        if (!significantSeen) {
            ++leadingZeros;
        }
        ++integerDigits;
        ++i;
    }
    std::size_t fractionDigits = 0;
    std::size_t fractionLeadingZeros = 0;
    if (i < ascii.size() && ascii[i] == '.') {
        std::size_t k = i + 1;
        while (k < ascii.size() && ascii[k] >= '0' && ascii[k] <= '9') {
            if (ascii[k] != '0') {
                significantSeen = true;
            }
            if (!significantSeen) {
                ++fractionLeadingZeros;
            }
            ++fractionDigits;
            ++k;
        }
        if (integerDigits > 0 || fractionDigits > 0) {
            i = k;
        }
    }
    if (integerDigits == 0 && fractionDigits == 0) {
        return 0.0;
    }
    long long exponent = 0;
    if (i < ascii.size() && (ascii[i] == 'e' || ascii[i] == 'E')) {
        std::size_t k = i + 1;
        bool exponentNegative = false;
        if (k < ascii.size() && (ascii[k] == '+' || ascii[k] == '-')) {
            exponentNegative = ascii[k] == '-';
            ++k;
        }
        const std::size_t exponentDigitsStart = k;
        while (k < ascii.size() && ascii[k] >= '0' && ascii[k] <= '9') {
            if (exponent < 1000000000LL) {
                exponent = exponent * 10 + (ascii[k] - '0');
            }
            ++k;
        }
        if (k > exponentDigitsStart) {
            i = k;
            if (exponentNegative) {
                exponent = -exponent;
            }
        } else {
            exponent = 0;
        }
    }
    const std::string_view number = ascii.substr(mantissaStart, i - mantissaStart);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Overflow when the decimal exponent of the first significant digit is positive.
        const long long magnitude = integerDigits > leadingZeros
            ? static_cast<long long>(integerDigits - leadingZeros) + exponent
            : exponent - static_cast<long long>(fractionLeadingZeros);
        value = magnitude > 0 ? HUGE_VAL : 0.0;
    } else if (error != std::errc {}) {
        value = 0.0;
    }
    return negative ? -value : value;
}

// "#引号" in code page 936.
constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

} // namespace

int FindText(std::string_view text, std::string_view needle, int start, bool ignoreCase)
{
    text = TextView(text);
    needle = TextView(needle);
    if (start < 1) {
        start = 1;
    }
    const std::size_t from = static_cast<std::size_t>(start) - 1;
    if (from >= text.size()) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    if (needle.size() > text.size()) {
        return -1;
    }
    // The first byte is compared before the rest, which is where most candidates fail.
    const auto first = FoldAscii(static_cast<unsigned char>(needle[0]));
    const auto firstExact = static_cast<unsigned char>(needle[0]);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t last = text.size() - needle.size();
    for (std::size_t p = from; p <= last;) {
        const unsigned char byte = bytes[p];
        if ((ignoreCase ? FoldAscii(byte) == first : byte == firstExact)
            && MatchesAt(text, p, needle, ignoreCase)) {
            return ToPosition(p + 1);
        }
        p += IsLeadByte(byte) ? 2 : 1;
    }
    return -1;
}

Text LeftPart(std::string_view text, int n)
{
    text = TextView(text);
    if (n <= 0) {
        return {};
    }
    return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text RightPart(std::string_view text, int n)
{
    text = TextView(text);
    if (n <= 0) {
        return {};
    }
    const std::size_t count = std::min(static_cast<std::size_t>(n), text.size());
    return Text(text.substr(text.size() - count));
}

Text MiddlePart(std::string_view text, int start, int n)
{
    text = TextView(text);
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) {
        return {};
    }
    return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Text LowerCase(std::string_view text)
{
    text = TextView(text);
    Text result(text);
    for (std::size_t i = 0; i < result.size();) {
        const auto byte = static_cast<unsigned char>(result[i]);
        if (IsLeadByte(byte)) {
            i += 2;
            continue;
        }
        result[i] = static_cast<char>(FoldAscii(byte));
        ++i;
    }
    return result;
}

Text TrimBlanks(std::string_view text)
{
    text = TextView(text);
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t length = CharacterLength(text, begin);
        if (!IsBlankAt(text, begin, length)) {
            break;
        }
        begin += length;
    }
    // Trailing blanks are found by walking the characters forward, so that an A1 A1 pair is only
    // taken as a blank when it really is one character.
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size();) {
        const std::size_t length = CharacterLength(text, i);
        if (!IsBlankAt(text, i, length)) {
            end = i + length;
        }
        i += length;
    }
    return Text(text.substr(begin, end - begin));
}

Text ReplaceText(
    std::string_view text, std::string_view old, std::string_view replacement, int count, bool exactCase)
{
    text = TextView(text);
    old = TextView(old);
    replacement = TextView(replacement);
    if (text.empty() || old.empty()) {
        return Text(text);
    }
    Text result;
    result.reserve(text.size());
    std::size_t i = 0;
    int done = 0;
    while (i < text.size()) {
        if ((count < 0 || done < count) && MatchesAt(text, i, old, !exactCase)) {
            result.append(replacement);
            i += old.size();
            ++done;
            continue;
        }
        if (count >= 0 && done >= count) {
            result.append(text.substr(i));
            break;
        }
        const std::size_t length = CharacterLength(text, i);
        result.append(text.substr(i, length));
        i += length;
    }
    return result;
}

Text RemoveLeadingBytes(std::string_view text, int n)
{
    text = TextView(text);
    if (n <= 0) {
        return Text(text);
    }
    return Text(text.substr(std::min(static_cast<std::size_t>(n), text.size())));
}

double ToNumber(std::string_view text)
{
    text = TextView(text);
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
            ++i;
        } else if (i + 1 < text.size() && static_cast<unsigned char>(c) == 0xA1
            && static_cast<unsigned char>(text[i + 1]) == 0xA1) {
            i += 2;
        } else {
            break;
        }
    }
    // Gather the characters a number may hold, full-width ones (A3 B0..B9, A3 AB, A3 AD, A3 AE)
    // as their ASCII forms; the first other character ends the number.
    std::string ascii;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!IsLeadByte(byte)) {
            if ((byte >= '0' && byte <= '9') || byte == '+' || byte == '-' || byte == '.' || byte == 'e'
                || byte == 'E') {
                ascii.push_back(static_cast<char>(byte));
                ++i;
                continue;
            }
            break;
        }
        if (byte != 0xA3 || i + 1 >= text.size()) {
            break;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (trail >= 0xB0 && trail <= 0xB9) {
            ascii.push_back(static_cast<char>('0' + (trail - 0xB0)));
        } else if (trail == 0xAB) {
            ascii.push_back('+');
        } else if (trail == 0xAD) {
            ascii.push_back('-');
        } else if (trail == 0xAE) {
            ascii.push_back('.');
        } else {
            break;
        }
        i += 2;
    }
    return ParseDecimal(ascii);
}

Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker, int start,
    bool caseSensitive)
{
    text = TextView(text);
    const Text startWord = ReplaceText(startMarker, kQuoteWord, "\"");
    const Text endWord = ReplaceText(endMarker, kQuoteWord, "\"");
    const int c = FindText(text, startWord, start, !caseSensitive);
    if (c == -1) {
        return {};
    }
    const long long remainderLength
        = static_cast<long long>(text.size()) - c - static_cast<long long>(startWord.size()) + 1;
    const Text remainder = RightPart(text, static_cast<int>(std::max(0LL, remainderLength)));
    const int d = FindText(remainder, endWord, start, !caseSensitive);
    if (d == -1) {
        return {};
    }
    return LeftPart(remainder, d - 1);
}

Text TextBefore(std::string_view text, std::string_view marker, int start, bool ignoreCase)
{
    text = TextView(text);
    if (start <= 0) {
        start = 1;
    }
    const int c = FindText(text, marker, start, ignoreCase);
    if (c == -1) {
        return {};
    }
    return LeftPart(text, c - 1);
}

Text UrlHost(std::string_view address)
{
    Text host = ReplaceText(address, "https://", "");
    host = ReplaceText(host, "http://", "");
    const int slash = FindText(host, "/");
    if (slash > 0) {
        host = LeftPart(host, slash - 1);
    }
    host = LowerCase(host);
    const int colon = FindText(host, ":");
    if (colon > 0) {
        host = LowerCase(LeftPart(host, colon - 1));
    }
    return host;
}

Text UrlPath(std::string_view address)
{
    address = TextView(address);
    const Text host = UrlHost(address);
    // The host is looked for after a leading scheme: a host such as "h" or "tt" would otherwise be
    // found inside "http://" and the path would start at the scheme's slashes.
    int from = 1;
    if (address.starts_with("https://")) {
        from = 9;
    } else if (address.starts_with("http://")) {
        from = 8;
    }
    int a = FindText(address, host, from, true);
    if (a < from) {
        a = from;
    }
    const int b = FindText(address, "/", a, true);
    if (b <= 0) {
        return "/";
    }
    return RightPart(address, ToPosition(address.size()) - b + 1);
}

int UrlPort(std::string_view address)
{
    address = TextView(address);
    Text part;
    if (address.size() >= 7 && FindText(LeftPart(address, 7), "http://", 1, true) == 1) {
        const int a = FindText(address, "/", 8);
        part = a > 0 ? MiddlePart(address, 8, a - 8) : RemoveLeadingBytes(address, 7);
    } else {
        const int a = FindText(address, "/", 1);
        part = a > 0 ? LeftPart(address, a - 1) : Text(address);
    }
    const int p = FindText(part, ":");
    const Text portText = p > 0 ? RightPart(part, ToPosition(part.size()) - p) : Text("80");
    const double value = std::trunc(ToNumber(portText));
    // Clamped: converting a value outside the int range would be undefined.
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

} // namespace kf
