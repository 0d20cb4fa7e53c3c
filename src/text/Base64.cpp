// The tolerant Base64 decoder (fixed slot and trimming rules) and the five-layer decoding.
#include "text/Base64.h"

#include <array>
#include <cstddef>

namespace kf {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each byte in the alphabet, -1 outside it.
constexpr std::array<int, 256> MakeValueTable()
{
    std::array<int, 256> table {};
    for (int& value : table) {
        value = -1;
    }
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    }
    return table;
}
constexpr std::array<int, 256> kValues = MakeValueTable();

// Removes blanks (0x20 and A1 A1), then CR LF pairs, stepping by characters.
Text Clean(std::string_view text)
{
    Text withoutBlanks;
    withoutBlanks.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80 && i + 1 < text.size()) {
            if (!(byte == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1)) {
                withoutBlanks.append(text.substr(i, 2));
            }
            i += 2;
            continue;
        }
        if (byte != ' ') {
            withoutBlanks.push_back(static_cast<char>(byte));
        }
        ++i;
    }
    Text cleaned;
    cleaned.reserve(withoutBlanks.size());
    for (std::size_t i = 0; i < withoutBlanks.size();) {
        const auto byte = static_cast<unsigned char>(withoutBlanks[i]);
        if (byte >= 0x80 && i + 1 < withoutBlanks.size()) {
            cleaned.append(withoutBlanks, i, 2);
            i += 2;
            continue;
        }
        if (byte == '\r' && i + 1 < withoutBlanks.size() && withoutBlanks[i + 1] == '\n') {
            i += 2;
            continue;
        }
        cleaned.push_back(static_cast<char>(byte));
        ++i;
    }
    return cleaned;
}

} // namespace

Bytes Base64Decode(Text& text, const PendingMessagesStep& pending)
{
    text = Clean(TextView(text));
    const std::size_t n = text.size();
    const std::size_t groups = n / 4 + (n % 4 != 0 ? 1 : 0);

    // The slots are not reset between groups: a group that stops early keeps the previous values.
    std::array<unsigned, 4> slots {};
    Bytes result;
    result.reserve(groups * 3);
    std::size_t j = 0;
    for (std::size_t group = 0; group < groups; ++group) {
        for (j = 1; j <= 4; ++j) {
            const std::size_t index = group * 4 + (j - 1);
            const auto byte = index < n ? static_cast<unsigned char>(text[index]) : 0u;
            slots[j - 1] = byte;
            const int value = byte == 0 ? 0 : kValues[byte];
            if (value < 0) {
                break;
            }
            slots[j - 1] = static_cast<unsigned>(value);
        }
        result.push_back(static_cast<std::uint8_t>((slots[0] * 4) | (slots[1] / 16)));
        result.push_back(static_cast<std::uint8_t>((slots[1] * 16) | (slots[2] / 4)));
        result.push_back(static_cast<std::uint8_t>((slots[2] * 64) | slots[3]));
        if (pending) {
            pending();
        }
    }
    // The last group's stop decides how many bytes go: 5 - j (j is 5 after a full group).
    const std::size_t trim = 5 - j;
    result.resize(trim >= result.size() ? 0 : result.size() - trim);
    return result;
}

Text DecodeLayeredText(std::string_view text, const PendingMessagesStep& pending)
{
    Text working(TextView(text));
    for (int pass = 0; pass < 5; ++pass) {
        working = TextFromBytes(Base64Decode(working, pending));
    }
    return working;
}

} // namespace kf
