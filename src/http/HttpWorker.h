// HttpWorker: one whole HTTP exchange over libcurl, and the pure pieces it is built from.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace kf {

// The record that carries one request to the worker and the response back. Each slot has one
// meaning on the way in (written by HttpRequest) and one on the way out (written by HttpWorker).
struct RequestSlots {
    Bytes addressOrBody; // in: the address; out: the response body (empty on failure)
    Bytes methodOrCookies; // in: "GET" or "POST"; out: the received-cookies text
    Bytes proxy; // in: the proxy address; never changed
    Bytes headers; // in: the caller's header lines; never changed
    Bytes body; // in: the request body; never changed
    Bytes cookiesOrHeaders; // in: the cookies to send; out: the raw response header text
    Bytes followRedirects; // in: "真" or "假" in cp936; out: emptied on failure
};

// Lets another thread stop a running exchange at once: Abort() flags it and wakes the worker's
// poll. Abort may come before the worker attached; the worker then does not start the transfer.
class TransferControl {
public:
    void Abort();
    bool Aborted() const;
    // Worker side: registers the libcurl multi handle that Abort wakes. False when already aborted.
    bool Attach(void* multiHandle);
    void Detach();

private:
    mutable std::mutex mutex_;
    bool aborted_ = false;
    void* multi_ = nullptr;
};

// Runs the exchange described by `slots` and writes the response back into them.
void HttpWorker(RequestSlots& slots, TransferControl& control);

// The most body bytes one exchange keeps; the transfer stops there.
inline constexpr std::size_t kMaxResponseBody = std::size_t {64} * 1024 * 1024;
// The most response header bytes one exchange keeps; a longer header block stops the transfer.
inline constexpr std::size_t kMaxResponseHeaders = std::size_t {1} * 1024 * 1024;

// The default user agent, sent when the caller's header text names none.
extern const char* const kDefaultUserAgent;

// The caller's header text completed with the default lines (Accept, Referer, Accept-Language,
// Content-Type/Length for a POST with a body, Cookie), exactly as it goes on the wire.
Text CompleteHeaderText(std::string_view headers, std::string_view address, bool post, std::size_t bodySize,
    std::string_view cookies);

// The user agent named by the header text, or the default one.
Text UserAgentFor(std::string_view headers);

// The request-target as sent: every byte that may not stand in a URL query is percent-encoded.
std::string EncodeRequestTarget(std::string_view target);

// How an address is reached: the URL libcurl gets and the rules that follow from the address.
struct ExchangePlan {
    bool valid = false; // false: host or port cannot be reached, the exchange fails
    bool secure = false;
    Text host;
    std::string url; // scheme, host, port and the encoded request-target
    bool follow = false; // redirections followed
    bool ownCookies = false; // the caller's cookies replace the stored ones
    bool useProxy = false;
};
ExchangePlan PlanExchange(
    std::string_view address, std::string_view cookies, bool followWanted, std::string_view proxy);

// One cookie to store: the part before the first "=" and everything after it.
struct ReceivedCookie {
    Text name;
    Text data;
};

// Reads the "Set-Cookie: " lines of a raw response header text: the received-cookies text
// (each cookie's text before its first ";", followed by ";") and the cookies to store.
Text ReadReceivedCookies(std::string_view headerText, std::vector<ReceivedCookie>* cookies);

} // namespace kf
