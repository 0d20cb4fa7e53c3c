// Code page conversions over ICU: cached converters per thread, and a decoding table taken from ICU.
#include "text/Codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "text/Cp936Decoding.h"

namespace kf {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Every byte sequence that does not decode becomes U+FFFD, unassigned ones included (ICU would
// give U+001A for some of those), so all conversions see one replacement character.
void ReplacementCallback(const void* /*context*/, UConverterToUnicodeArgs* args, const char* /*bytes*/,
    int32_t /*length*/, UConverterCallbackReason reason, UErrorCode* error)
{
    if (reason > UCNV_IRREGULAR) {
        return;
    }
    *error = U_ZERO_ERROR;
    const UChar replacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, error);
}

UConverter* OpenConverter(const char* name)
{
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &error);
    if (U_FAILURE(error)) {
        return nullptr;
    }
    ucnv_setToUCallBack(converter, ReplacementCallback, nullptr, nullptr, nullptr, &error);
    error = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &error);
    error = U_ZERO_ERROR;
    ucnv_setSubstChars(converter, "?", 1, &error);
    return converter;
}

// Converters hold state, so each thread keeps its own; they are reset before every use.
UConverter* Cp936Converter()
{
    thread_local ConverterPtr converter(OpenConverter("windows-936-2000"));
    if (converter) {
        ucnv_reset(converter.get());
    }
    return converter.get();
}

UConverter* Utf8Converter()
{
    thread_local ConverterPtr converter(OpenConverter("UTF-8"));
    if (converter) {
        ucnv_reset(converter.get());
    }
    return converter.get();
}

// Decodes all of `bytes` with `converter`; with `offsets`, records the source offset of every unit.
std::u16string ToUtf16(UConverter* converter, std::string_view bytes, std::vector<int32_t>* offsets)
{
    std::u16string result;
    if (converter == nullptr || bytes.empty()) {
        return result;
    }
    // One byte never yields more than one UTF-16 unit in cp936 and UTF-8, so this rarely grows.
    result.resize(bytes.size() + 16);
    if (offsets != nullptr) {
        offsets->assign(result.size(), 0);
    }
    const char* source = bytes.data();
    const char* const sourceEnd = bytes.data() + bytes.size();
    std::size_t written = 0;
    for (;;) {
        UChar* target = result.data() + written;
        UChar* const targetStart = target;
        int32_t* offsetTarget = offsets != nullptr ? offsets->data() + written : nullptr;
        const auto base = static_cast<int32_t>(source - bytes.data());
        UErrorCode error = U_ZERO_ERROR;
        ucnv_toUnicode(converter, &target, result.data() + result.size(), &source, sourceEnd, offsetTarget,
            true, &error);
        const auto produced = static_cast<std::size_t>(target - targetStart);
        if (offsets != nullptr) {
            for (std::size_t k = 0; k < produced; ++k) {
                int32_t& offset = (*offsets)[written + k];
                // A unit without a known source takes the previous unit's one.
                offset = offset >= 0 ? offset + base : (written + k > 0 ? (*offsets)[written + k - 1] : 0);
            }
        }
        written += produced;
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            result.resize(result.size() * 2);
            if (offsets != nullptr) {
                offsets->resize(result.size());
            }
            continue;
        }
        break;
    }
    result.resize(written);
    if (offsets != nullptr) {
        offsets->resize(written);
    }
    return result;
}

Text FromUtf16(UConverter* converter, std::u16string_view utf16)
{
    Text result;
    if (converter == nullptr || utf16.empty()) {
        return result;
    }
    result.resize(utf16.size() * 2 + 16);
    const UChar* source = utf16.data();
    const UChar* const sourceEnd = utf16.data() + utf16.size();
    std::size_t written = 0;
    for (;;) {
        char* target = result.data() + written;
        char* const targetStart = target;
        UErrorCode error = U_ZERO_ERROR;
        ucnv_fromUnicode(
            converter, &target, result.data() + result.size(), &source, sourceEnd, nullptr, true, &error);
        written += static_cast<std::size_t>(target - targetStart);
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            result.resize(result.size() * 2);
            continue;
        }
        break;
    }
    result.resize(written);
    // A text never holds a zero byte.
    return Text(TextView(result));
}

std::u16string_view CutAtZero(std::u16string_view text)
{
    const auto zero = text.find(u'\0');
    return zero == std::u16string_view::npos ? text : text.substr(0, zero);
}

// Writes one BMP character as UTF-8 and returns the end of what it wrote. Surrogate units
// never come out of the cp936 table.
char* AppendUtf8(char* out, char16_t c)
{
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The decoding of every byte and byte pair, taken once from the ICU converter so that decoding
// a page needs no converter call: ICU's per-call cost is far above a table look-up.
struct DecodeTable {
    // pairs[lead - 0x81][trail]: the character of a two-byte sequence, 0 when the lead byte does
    // not take this byte (the lead then decodes alone and the byte is read again).
    std::vector<char16_t> pairs = std::vector<char16_t>(126 * 256, 0);
    std::array<char16_t, 256> singles {};

    char16_t Decode(const unsigned char* bytes, std::size_t size, std::size_t i, std::size_t& used) const
    {
        const unsigned char byte = bytes[i];
        used = 1;
        if (byte < 0x80) {
            return byte;
        }
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < size) {
            const char16_t pair = pairs[static_cast<std::size_t>(byte - 0x81) * 256 + bytes[i + 1]];
            if (pair != 0) {
                used = 2;
                return pair;
            }
        }
        return singles[byte];
    }
};

bool IsSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

DecodeTable BuildTable()
{
    DecodeTable table;
    for (int byte = 0; byte < 256; ++byte) {
        const char single = static_cast<char>(byte);
        const std::u16string decoded = ToUtf16(Cp936Converter(), std::string_view(&single, 1), nullptr);
        const bool one = decoded.size() == 1 && !IsSurrogate(decoded[0]);
        table.singles[static_cast<std::size_t>(byte)] = one ? decoded[0] : u'\uFFFD';
    }
    // One converter call per lead byte over "lead trail LF" for every trail: a pair that decodes
    // as one character is followed directly by the LF's character.
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        std::string probe;
        for (int trail = 0; trail < 256; ++trail) {
            probe.push_back(static_cast<char>(lead));
            probe.push_back(static_cast<char>(trail));
            probe.push_back('\n');
        }
        std::vector<int32_t> offsets;
        const std::u16string decoded = ToUtf16(Cp936Converter(), probe, &offsets);
        for (std::size_t k = 0; k + 1 < decoded.size(); ++k) {
            if (offsets[k] % 3 == 0 && offsets[k + 1] == offsets[k] + 2 && decoded[k] != 0
                && !IsSurrogate(decoded[k])) {
                const auto trail = static_cast<std::size_t>(offsets[k] / 3);
                table.pairs[static_cast<std::size_t>(lead - 0x81) * 256 + trail] = decoded[k];
            }
        }
    }
    return table;
}

const DecodeTable& Table()
{
    static const DecodeTable table = BuildTable();
    return table;
}

} // namespace

void Cp936Utf8View::Decode(std::string_view text)
{
    constexpr std::size_t kCheckpointStep = 64;
    const DecodeTable& table = Table();
    source_ = text;
    // Three UTF-8 bytes per cp936 byte at most (0x80 and 0xFF decode to three-byte characters).
    const std::size_t needed = text.size() * 3 + 8;
    if (capacity_ < needed) {
        buffer_.reset(new char[needed]);
        capacity_ = needed;
    }
    checkpointUtf8_.clear();
    checkpointCp936_.clear();
    checkpointUtf8_.reserve(text.size() / kCheckpointStep * 2 + 1);
    checkpointCp936_.reserve(text.size() / kCheckpointStep * 2 + 1);
    checkpointUtf8_.push_back(0);
    checkpointCp936_.push_back(0);

    char* const base = buffer_.get();
    char* out = base;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t nextCheckpoint = kCheckpointStep;
    std::size_t i = 0;
    while (i < size) {
        // Eight ASCII bytes at a time: they are the same bytes in both encodings.
        if (i + 8 <= size) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                std::memcpy(out, &word, 8);
                out += 8;
                i += 8;
            } else {
                std::size_t used = 1;
                out = AppendUtf8(out, table.Decode(bytes, size, i, used));
                i += used;
            }
        } else {
            std::size_t used = 1;
            out = AppendUtf8(out, table.Decode(bytes, size, i, used));
            i += used;
        }
        if (static_cast<std::size_t>(out - base) >= nextCheckpoint) {
            checkpointUtf8_.push_back(static_cast<std::size_t>(out - base));
            checkpointCp936_.push_back(i);
            nextCheckpoint = static_cast<std::size_t>(out - base) + kCheckpointStep;
        }
    }
    size_ = static_cast<std::size_t>(out - base);
}

std::size_t Cp936Utf8View::Cp936Offset(std::size_t utf8Offset) const
{
    const auto it = std::upper_bound(checkpointUtf8_.begin(), checkpointUtf8_.end(), utf8Offset);
    const auto k = static_cast<std::size_t>(it - checkpointUtf8_.begin()) - 1;
    std::size_t utf8 = checkpointUtf8_[k];
    std::size_t cp936 = checkpointCp936_[k];
    const DecodeTable& table = Table();
    const auto* bytes = reinterpret_cast<const unsigned char*>(source_.data());
    char scratch[4];
    while (utf8 < utf8Offset && cp936 < source_.size()) {
        std::size_t used = 1;
        const char16_t unit = table.Decode(bytes, source_.size(), cp936, used);
        utf8 += static_cast<std::size_t>(AppendUtf8(scratch, unit) - scratch);
        cp936 += used;
    }
    return cp936;
}

void Cp936Utf8View::Trim(std::size_t keepBytes)
{
    if (capacity_ > keepBytes) {
        buffer_.reset();
        capacity_ = 0;
        size_ = 0;
        checkpointUtf8_ = {};
        checkpointCp936_ = {};
    }
    source_ = {};
}

std::u16string DecodeCp936ToUtf16(std::string_view text)
{
    const DecodeTable& table = Table();
    std::u16string result;
    result.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t used = 1;
        result.push_back(table.Decode(bytes, text.size(), i, used));
        i += used;
    }
    return result;
}

Text Cp936FromUtf8(std::string_view utf8)
{
    // ASCII is the same byte in both encodings, and pages are mostly ASCII: copy its runs
    // straight and convert only the runs in between. A malformed sequence never reaches past an
    // ASCII byte, so converting run by run gives what converting the whole text gives.
    const std::string_view input = TextView(utf8);
    const auto isAscii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    Text result;
    result.reserve(input.size());
    auto at = input.begin();
    while (at != input.end()) {
        const auto asciiEnd = std::find_if_not(at, input.end(), isAscii);
        result.append(at, asciiEnd);
        const auto otherEnd = std::find_if(asciiEnd, input.end(), isAscii);
        if (asciiEnd != otherEnd) {
            const std::string_view run(&*asciiEnd, static_cast<std::size_t>(otherEnd - asciiEnd));
            result += FromUtf16(Cp936Converter(), ToUtf16(Utf8Converter(), run, nullptr));
        }
        at = otherEnd;
    }
    return result;
}

std::string Utf8FromCp936(std::string_view text)
{
    Cp936Utf8View view;
    view.Decode(TextView(text));
    return std::string(view.Utf8());
}

std::u16string Utf16FromCp936(std::string_view text)
{
    return DecodeCp936ToUtf16(TextView(text));
}

Text Cp936FromUtf16(std::u16string_view utf16)
{
    return FromUtf16(Cp936Converter(), CutAtZero(utf16));
}

Text Cp936(std::string_view utf8Literal)
{
    return Cp936FromUtf8(utf8Literal);
}

} // namespace kf
