// Code page conversions over ICU converters, one cached converter per thread and code page.
#include "text/Codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <memory>

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

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

void DecodeCp936WithOffsets(std::string_view text, std::u16string& utf16, std::vector<std::int32_t>& offsets)
{
    utf16 = ToUtf16(Cp936Converter(), text, &offsets);
}

Text Cp936FromUtf8(std::string_view utf8)
{
    return Cp936FromUtf16(ToUtf16(Utf8Converter(), TextView(utf8), nullptr));
}

std::string Utf8FromCp936(std::string_view text)
{
    const std::u16string utf16 = Utf16FromCp936(text);
    std::string result;
    result.reserve(utf16.size() + utf16.size() / 2);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00
            && utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(result, c);
    }
    return result;
}

std::u16string Utf16FromCp936(std::string_view text)
{
    return ToUtf16(Cp936Converter(), TextView(text), nullptr);
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
