// The process-wide cookie store that every exchange shares, over libcurl's shared cookie engine.
#pragma once

#include <curl/curl.h>

#include <string_view>

namespace kf {

// Sets up libcurl once for the process (global init and the shared cookie store). Thread-safe.
void EnsureCurlReady();

// Lets an easy handle use the store: with `sendStored` its requests carry the stored cookies
// that match and the cookies its responses set are kept; without it the handle only writes.
void AttachCookieStore(CURL* easy, bool sendStored);

// Stores one cookie for the host: `data` is the value followed by its attributes, as in
// "1; path=/; expires=...". A cookie without a name or with control bytes is not stored.
void StoreCookie(CURL* easy, std::string_view host, std::string_view name, std::string_view data);

// Forgets every stored cookie (tests start from an empty store).
void ClearCookieStore();

} // namespace kf
