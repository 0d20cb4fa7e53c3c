// Fuzz target for the code page conversions: response text into cp936 (UTF-8 and Big5), and the
// program's own cp936 <-> UTF-8 / UTF-16 conversions and offset map.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "http/Conversions.h"
#include "text/Codepage.h"
#include "text/Cp936Decoding.h"

namespace {

bool IsAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t point = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            point = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            point = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            point = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3F);
        }
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF)))
            || (length == 4 && (point < 0x10000 || point > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

void CheckFromNetwork(std::string_view bytes)
{
    const std::string_view text = kf::TextView(bytes);
    const kf::Text gbk = kf::Utf8ToGbk(bytes);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(gbk) && gbk.size() <= 2 * text.size());
    KF_FUZZ_CHECK(gbk == kf::Cp936FromUtf8(bytes));
    if (IsAscii(text))
        KF_FUZZ_CHECK(gbk == text);
    const kf::Text simplified = kf::Big5ToSimplifiedGbk(bytes);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(simplified));
    if (IsAscii(text))
        KF_FUZZ_CHECK(simplified == text);
}

void CheckCp936(std::string_view bytes)
{
    const std::string_view text = kf::TextView(bytes);
    const std::string utf8 = kf::Utf8FromCp936(bytes);
    KF_FUZZ_CHECK(IsValidUtf8(utf8) && !kf::fuzz::HasZeroByte(utf8));
    const std::u16string utf16 = kf::Utf16FromCp936(bytes);
    KF_FUZZ_CHECK(utf16.size() <= text.size() && utf16.find(u'\0') == std::u16string::npos);
    if (IsAscii(text)) {
        KF_FUZZ_CHECK(utf8 == text && utf16.size() == text.size());
        KF_FUZZ_CHECK(kf::Cp936FromUtf16(utf16) == text);
    }
    // Both ways back to cp936 see the same characters.
    const kf::Text viaUtf8 = kf::Cp936FromUtf8(utf8);
    KF_FUZZ_CHECK(viaUtf8 == kf::Cp936FromUtf16(utf16) && !kf::fuzz::HasZeroByte(viaUtf8));

    // The matcher's view of the same bytes (zero bytes included) and its way back to offsets.
    kf::Cp936Utf8View view;
    view.Decode(bytes);
    KF_FUZZ_CHECK(IsValidUtf8(view.Utf8()));
    if (text.size() == bytes.size())
        KF_FUZZ_CHECK(view.Utf8() == utf8);
    KF_FUZZ_CHECK(view.Cp936Offset(0) == 0);
    KF_FUZZ_CHECK(view.Cp936Offset(view.Utf8().size()) == bytes.size());
    std::size_t previous = 0;
    for (std::size_t at = 0; at <= view.Utf8().size(); ++at) {
        if (at < view.Utf8().size() && (static_cast<unsigned char>(view.Utf8()[at]) & 0xC0) == 0x80)
            continue; // not a character boundary
        const std::size_t offset = view.Cp936Offset(at);
        KF_FUZZ_CHECK(offset >= previous && offset <= bytes.size());
        previous = offset;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckFromNetwork(bytes);
    CheckCp936(bytes);
    return 0;
}
