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
    std::optional<int> method; // 1 = POST, anything else GET
    Text proxy; // empty: direct connection
    Text headers; // additional request header lines, each ending in CR LF
    Bytes body;
    Text cookies; // a Cookie header value
    std::optional<double> timeoutSeconds; // omitted: 60 s; a given 0 is 0 s
    Text* responseHeaders = nullptr; // output
    std::optional<int> conversion; // 1 = UTF-8 -> cp936, 2 = Big5 -> Simplified cp936
    Text* receivedCookies = nullptr; // output
    std::optional<bool> followRedirects; // omitted: true
};

// How the calling thread waits for the worker.
//
// Threading contract:
// - Wait(done, deadline) runs on the thread that called HttpRequest. It returns when done()
//   is true, when the deadline has passed, or after Wake(); returning early is allowed, since
//   HttpRequest calls it again until the worker is done or the deadline has passed. It may
//   process the thread's events (the window thread keeps its event loop turning) but must not
//   poll. done() is a lock-free read and may be called from any thread.
// - Wake() is called from the worker thread (or from the thread running AbortAllRequests),
//   possibly before Wait has started and possibly more than once, so a wake must not be lost.
//   It must return promptly: it must not block on the waiting thread and must not call
//   HttpRequest. It is never called after Wait has returned for the last time: HttpRequest
//   stops the calls (under a lock) before it releases the wait object.
class RequestWait {
public:
    virtual ~RequestWait() = default;
    virtual void Wait(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline) = 0;
    virtual void Wake() = 0;
};

// Chooses the wait for the current thread: the window thread installs a factory that returns a
// wait keeping its event loop turning there, and nullptr on every other thread, which then gets
// the plain blocking wait. Called once per request on the calling thread; may be set at any time.
using RequestWaitFactory = std::function<std::unique_ptr<RequestWait>()>;
void SetRequestWaitFactory(RequestWaitFactory factory);

// The exchange. `address` is read and, when it gets the "http://" prefix, written.
Bytes HttpRequest(Text& address, const HttpOptions& options = {});

// The bytes HttpRequest returns after its time-out (cp936).
const Text& HttpTimeoutMessage();

// Shut-down: aborts every exchange in flight (their callers get empty bytes) and makes later
// calls return empty bytes at once.
void AbortAllRequests();

// The number of worker threads still running, abandoned ones included.
int LiveHttpWorkers();

} // namespace kf
