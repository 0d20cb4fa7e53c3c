// HttpRequest: one blocking HTTP exchange with a time-out, run on a worker thread of its own.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "text/Text.h"

namespace kf {

// The optional arguments of HttpRequest. An empty optional is an omitted argument; the two
// outputs are written only when their pointer is set.
struct HttpOptions {
    std::optional<int> method;             // 1 = POST, anything else GET
    Text proxy;                            // empty: direct connection
    Text headers;                          // additional request header lines, each ending in CR LF
    Bytes body;
    Text cookies;                          // a Cookie header value
    std::optional<double> timeoutSeconds;  // omitted: 60 s; a given 0 is 0 s
    Text* responseHeaders = nullptr;       // output
    std::optional<int> conversion;         // 1 = UTF-8 -> cp936, 2 = Big5 -> Simplified cp936
    Text* receivedCookies = nullptr;       // output
    std::optional<bool> followRedirects;   // omitted: true
};

// How the calling thread waits for the worker. `done` becomes true from the worker thread;
// `wake` is then called (from the worker thread). Wait returns when done() is true or the
// deadline has passed.
class RequestWait {
public:
    virtual ~RequestWait() = default;
    virtual void Wait(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline) = 0;
    virtual void Wake() = 0;
};

// Chooses the wait for the current thread: the window thread installs one that keeps its event
// loop turning; every other thread blocks. Returns a fresh wait object per request.
using RequestWaitFactory = std::function<std::unique_ptr<RequestWait>()>;
void SetRequestWaitFactory(RequestWaitFactory factory);

// The exchange. `address` is read and, when it gets the "http://" prefix, written.
Bytes HttpRequest(Text& address, const HttpOptions& options = {});

// Shut-down: aborts every exchange in flight and makes later calls return empty bytes at once.
void AbortAllRequests();

}  // namespace kf
