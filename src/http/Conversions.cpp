// Response text conversions into cp936, over ICU.
#include "http/Conversions.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>
#include <string>

#include "text/Codepage.h"

namespace kf {
namespace {

struct ConverterDeleter {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

std::u16string Utf16FromBig5(std::string_view text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterDeleter> converter(ucnv_open("windows-950-2000", &status));
    if (U_FAILURE(status) || text.empty())
        return {};
    // Every Big5 byte gives at most one UTF-16 unit.
    std::u16string out(text.size() + 1, u'\0');
    status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
        text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return {};
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// The Traditional-to-Simplified transliterator, built once; each thread works on a clone of it
// because a transliterator is not meant to be used by two threads at once.
icu::Transliterator* SimplifyingTransliterator()
{
    static std::once_flag once;
    static std::unique_ptr<icu::Transliterator> prototype;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        prototype.reset(
            icu::Transliterator::createInstance("Traditional-Simplified", UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            prototype.reset();
    });
    thread_local std::unique_ptr<icu::Transliterator> local;
    if (!local && prototype)
        local.reset(prototype->clone());
    return local.get();
}

} // namespace

Text Utf8ToGbk(std::string_view text)
{
    return Cp936FromUtf8(TextView(text));
}

Text Big5ToSimplifiedGbk(std::string_view text)
{
    const std::u16string utf16 = Utf16FromBig5(TextView(text));
    if (utf16.empty())
        return {};
    icu::UnicodeString unicode(false, utf16.data(), static_cast<int32_t>(utf16.size()));
    if (icu::Transliterator* simplify = SimplifyingTransliterator())
        simplify->transliterate(unicode);
    return Cp936FromUtf16(
        std::u16string_view(unicode.getBuffer(), static_cast<std::size_t>(unicode.length())));
}

} // namespace kf
