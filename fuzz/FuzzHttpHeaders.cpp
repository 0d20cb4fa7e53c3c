// Fuzz target for the header handling of an HTTP exchange: the received cookies read from a raw
// response header text and stored, the completed request header text, the request-target
// encoding and the exchange plan of an address.
#include <curl/curl.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "http/CookieStore.h"
#include "http/HttpWorker.h"
#include "text/TextOps.h"

namespace {

bool IsInside(std::string_view whole, std::string_view part)
{
    return whole.find(part) != std::string_view::npos;
}

// What may stand in a URL as it goes to libcurl: printable ASCII without blanks.
bool IsUrlSafe(std::string_view text)
{
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F)
            return false;
    }
    return true;
}

// Case-insensitive search of the bytes, whatever character they belong to.
bool ContainsBytes(std::string_view text, std::string_view needle)
{
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        std::size_t k = 0;
        while (k < needle.size() && fold(text[at + k]) == fold(needle[k]))
            ++k;
        if (k == needle.size())
            return true;
    }
    return false;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

void CheckReceivedCookies(std::string_view headerText, std::string_view address)
{
    std::vector<kf::ReceivedCookie> cookies;
    const kf::Text received = kf::ReadReceivedCookies(headerText, &cookies);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(received));
    KF_FUZZ_CHECK(received.empty() || received.back() == ';');
    KF_FUZZ_CHECK(kf::ReadReceivedCookies(headerText, nullptr) == received);
    const std::string_view header = kf::TextView(headerText);
    for (const auto& cookie : cookies) {
        KF_FUZZ_CHECK(IsInside(header, cookie.name) && IsInside(header, cookie.data));
        KF_FUZZ_CHECK(cookie.name.find("\r\n") == std::string::npos);
        KF_FUZZ_CHECK(cookie.data.find("\r\n") == std::string::npos);
    }
    if (cookies.empty())
        return;

    // Store them the way the worker does, then empty the store so runs stay independent.
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        return;
    const kf::Text host = kf::UrlHost(address);
    for (const auto& cookie : cookies)
        kf::StoreCookie(easy.get(), host, cookie.name, cookie.data);
    kf::ClearCookieStore();
}

void CheckRequestHeaders(std::string_view headers, std::string_view address, bool post, std::size_t bodySize,
    std::string_view cookies)
{
    const kf::Text completed = kf::CompleteHeaderText(headers, address, post, bodySize, cookies);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(completed));
    // The default lines go after the caller's text, so they are looked for as bytes: a caller's
    // text that ends in half a character would otherwise take their first byte with it.
    KF_FUZZ_CHECK(ContainsBytes(completed, "Accept-Language"));
    if (kf::FindText(headers, "RefererNo", 1, true) <= 0)
        KF_FUZZ_CHECK(ContainsBytes(completed, "Referer"));
    if (!kf::TextView(cookies).empty())
        KF_FUZZ_CHECK(IsInside(completed, "Cookie: "));
    const kf::Text agent = kf::UserAgentFor(headers);
    KF_FUZZ_CHECK(!kf::fuzz::HasZeroByte(agent));
}

void CheckAddress(std::string_view address, std::string_view cookies, bool follow, std::string_view proxy)
{
    const std::string encoded = kf::EncodeRequestTarget(address);
    KF_FUZZ_CHECK(IsUrlSafe(encoded) && encoded.size() <= 3 * address.size());
    const kf::ExchangePlan plan = kf::PlanExchange(address, cookies, follow, proxy);
    if (!plan.valid)
        return;
    KF_FUZZ_CHECK(IsUrlSafe(plan.url));
    KF_FUZZ_CHECK(plan.url.rfind(plan.secure ? "https://" : "http://", 0) == 0);
    KF_FUZZ_CHECK(!plan.host.empty() && plan.url.find(plan.host) != std::string::npos);
    KF_FUZZ_CHECK(!plan.secure || plan.follow);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool post = input.ConsumeBool();
    const bool follow = input.ConsumeBool();
    const auto bodySize = input.ConsumeIntegralInRange<std::size_t>(0, 1 << 20);
    const std::string address = input.ConsumeRandomLengthString(256);
    const std::string cookies = input.ConsumeRandomLengthString(128);
    const std::string proxy = input.ConsumeRandomLengthString(32);
    const std::string requestHeaders = input.ConsumeRandomLengthString(512);
    const std::string responseHeaders = input.ConsumeRemainingBytesAsString();

    CheckReceivedCookies(responseHeaders, address);
    CheckRequestHeaders(requestHeaders, address, post, bodySize, cookies);
    CheckAddress(address, cookies, follow, proxy);
    return 0;
}
