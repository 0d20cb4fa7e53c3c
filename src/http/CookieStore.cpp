// The process-wide cookie store: one libcurl share object whose cookie data every exchange uses.
#include "http/CookieStore.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

#include "text/TextOps.h"

namespace kf {
namespace {

// One lock per kind of shared data; libcurl asks for them from any thread.
std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*)
{
    shareLocks[static_cast<std::size_t>(data)].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void*)
{
    shareLocks[static_cast<std::size_t>(data)].unlock();
}

// Made once and kept for the life of the process: exchanges may still run while it ends.
CURLSH* share = nullptr;
std::once_flag curlReady;

bool HasControlBytes(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

std::string_view TrimAsciiSpace(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The attributes of a cookie's data that the store keeps: path, expiry and the secure mark.
struct CookieAttributes {
    std::string path = "/";
    long long expires = 0; // 0: a session cookie
    bool secure = false;
};

CookieAttributes ReadAttributes(std::string_view attributes)
{
    CookieAttributes result;
    bool haveMaxAge = false;
    while (!attributes.empty()) {
        const auto semicolon = attributes.find(';');
        const std::string_view item = TrimAsciiSpace(attributes.substr(0, semicolon));
        attributes
            = semicolon == std::string_view::npos ? std::string_view {} : attributes.substr(semicolon + 1);
        const auto equals = item.find('=');
        const Text key = LowerCase(TrimAsciiSpace(item.substr(0, equals)));
        const std::string value(
            equals == std::string_view::npos ? std::string_view {} : TrimAsciiSpace(item.substr(equals + 1)));
        if (key == "path" && !value.empty() && value.front() == '/') {
            result.path = value;
        } else if (key == "secure") {
            result.secure = true;
        } else if (key == "max-age" && !value.empty()) {
            char* end = nullptr;
            const long long seconds = std::strtoll(value.c_str(), &end, 10);
            if (end != value.c_str()) {
                haveMaxAge = true;
                // A max-age of 0 or less removes the cookie: give it an expiry in the past. A huge
                // one saturates rather than overflowing into the past.
                const auto now = static_cast<long long>(std::time(nullptr));
                result.expires = seconds <= 0 ? 1 : (seconds > LLONG_MAX - now ? LLONG_MAX : now + seconds);
            }
        } else if (key == "expires" && !haveMaxAge && !value.empty()) {
            const time_t when = curl_getdate(value.c_str(), nullptr);
            if (when > 0)
                result.expires = when;
            else if (when == 0)
                result.expires = 1;
        }
    }
    return result;
}

} // namespace

void EnsureCurlReady()
{
    std::call_once(curlReady, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    });
}

void AttachCookieStore(CURL* easy, bool sendStored)
{
    EnsureCurlReady();
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    // An empty cookie file name switches the handle's cookie engine on without reading a file.
    if (sendStored)
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
}

void StoreCookie(CURL* easy, std::string_view host, std::string_view name, std::string_view data)
{
    if (name.empty() || HasControlBytes(name) || HasControlBytes(data) || HasControlBytes(host)
        || host.empty())
        return;
    const auto semicolon = data.find(';');
    const std::string_view value = TrimAsciiSpace(data.substr(0, semicolon));
    const CookieAttributes attributes = ReadAttributes(
        semicolon == std::string_view::npos ? std::string_view {} : data.substr(semicolon + 1));
    // Netscape cookie-file line: domain, include-subdomains, path, secure, expiry, name, value.
    std::string line;
    line.append(host).append("\tFALSE\t").append(attributes.path);
    line.append(attributes.secure ? "\tTRUE\t" : "\tFALSE\t");
    line.append(std::to_string(attributes.expires)).append("\t");
    line.append(name).append("\t").append(value);
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
}

void ClearCookieStore()
{
    EnsureCurlReady();
    CURL* easy = curl_easy_init();
    if (!easy)
        return;
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(easy);
}

} // namespace kf
