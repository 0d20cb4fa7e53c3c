// HttpRequest: hands one exchange to a worker thread and waits for it with a time-out.
#include "http/HttpRequest.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>

#include "http/Conversions.h"
#include "http/HttpWorker.h"
#include "text/Codepage.h"
#include "text/TextOps.h"

namespace kf {
namespace {

// The state one call shares with its worker. The worker owns it together with the caller, so an
// abandoned worker can finish on its own after the caller has left.
struct Exchange {
    RequestSlots slots; // the worker's until `finished`, then the caller's
    TransferControl control;
    std::atomic<bool> finished {false};
    std::atomic<bool> shutDown {false}; // aborted by AbortAllRequests
    std::mutex waiterMutex;
    RequestWait* waiter = nullptr; // guarded by waiterMutex

    void WakeCaller()
    {
        std::lock_guard lock(waiterMutex);
        if (waiter)
            waiter->Wake();
    }
    void SetWaiter(RequestWait* wait)
    {
        std::lock_guard lock(waiterMutex);
        waiter = wait;
    }
};

// The plain wait: sleeps on a condition variable until woken or the deadline passes.
class BlockingWait final : public RequestWait {
public:
    void Wait(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline) override
    {
        std::unique_lock lock(mutex_);
        condition_.wait_until(lock, deadline, [&] { return woken_ || done(); });
        woken_ = false;
    }
    void Wake() override
    {
        {
            std::lock_guard lock(mutex_);
            woken_ = true;
        }
        condition_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool woken_ = false;
};

std::mutex factoryMutex;
RequestWaitFactory waitFactory;

// Every exchange whose worker still runs, so that shut-down can abort them all. An abandoned
// worker may still end while the process exits, so the registry is never destroyed.
struct Registry {
    std::mutex mutex;
    std::unordered_set<std::shared_ptr<Exchange>> inFlight; // guarded by mutex
    bool shuttingDown = false; // guarded by mutex
};
Registry& TheRegistry()
{
    static Registry* registry = new Registry;
    return *registry;
}
std::atomic<int> liveWorkers {0};

std::unique_ptr<RequestWait> MakeWait()
{
    RequestWaitFactory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = waitFactory;
    }
    std::unique_ptr<RequestWait> wait = factory ? factory() : nullptr;
    if (!wait)
        wait = std::make_unique<BlockingWait>();
    return wait;
}

void RunWorker(std::shared_ptr<Exchange> exchange)
{
    HttpWorker(exchange->slots, exchange->control);
    exchange->finished.store(true, std::memory_order_release);
    exchange->WakeCaller();
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        registry.inFlight.erase(exchange);
    }
    exchange.reset();
    liveWorkers.fetch_sub(1, std::memory_order_acq_rel);
}

std::chrono::milliseconds TimeoutOf(const HttpOptions& options)
{
    if (!options.timeoutSeconds)
        return std::chrono::milliseconds(60000);
    double ms = *options.timeoutSeconds * 1000.0;
    if (std::isnan(ms))
        ms = 0;
    // Bounded so that the deadline arithmetic cannot overflow (about 30 years).
    ms = std::clamp(ms, -1e12, 1e12);
    return std::chrono::milliseconds(static_cast<long long>(std::trunc(ms)));
}

} // namespace

void SetRequestWaitFactory(RequestWaitFactory factory)
{
    std::lock_guard lock(factoryMutex);
    waitFactory = std::move(factory);
}

int LiveHttpWorkers()
{
    return liveWorkers.load(std::memory_order_acquire);
}

void AbortAllRequests()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.shuttingDown = true;
    for (const auto& exchange : registry.inFlight) {
        exchange->shutDown.store(true, std::memory_order_release);
        exchange->control.Abort();
        exchange->WakeCaller();
    }
}

Bytes HttpRequest(Text& address, const HttpOptions& options)
{
    if (TrimBlanks(address).empty())
        return {};
    if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0)
        address = "http://" + address;

    auto exchange = std::make_shared<Exchange>();
    RequestSlots& slots = exchange->slots;
    slots.addressOrBody = BytesFromText(address);
    slots.methodOrCookies = BytesFromText(options.method.value_or(0) == 1 ? "POST" : "GET");
    slots.proxy = BytesFromText(options.proxy);
    slots.headers = BytesFromText(options.headers);
    slots.body = options.body;
    slots.cookiesOrHeaders = BytesFromText(options.cookies);
    slots.followRedirects = BytesFromText(Cp936(options.followRedirects.value_or(true) ? "真" : "假"));

    const auto timeout = TimeoutOf(options);
    std::unique_ptr<RequestWait> wait = MakeWait();
    exchange->SetWaiter(wait.get());

    Registry& registry = TheRegistry();
    {
        std::lock_guard lock(registry.mutex);
        if (registry.shuttingDown)
            return {};
        registry.inFlight.insert(exchange);
    }
    const auto start = std::chrono::steady_clock::now();
    liveWorkers.fetch_add(1, std::memory_order_acq_rel);
    try {
        std::thread(RunWorker, exchange).detach();
    } catch (const std::system_error&) {
        // No worker: the wait below runs until the time-out, as a worker that never answers.
        liveWorkers.fetch_sub(1, std::memory_order_acq_rel);
        std::lock_guard lock(registry.mutex);
        registry.inFlight.erase(exchange);
    }

    const auto deadline = start + timeout;
    const std::function<bool()> done = [&exchange] {
        return exchange->finished.load(std::memory_order_acquire)
            || exchange->shutDown.load(std::memory_order_acquire);
    };
    bool timedOut = false;
    for (;;) {
        wait->Wait(done, deadline);
        // Time-out wins even when the worker finished in the same turn.
        if (std::chrono::steady_clock::now() - start >= timeout) {
            timedOut = true;
            break;
        }
        if (done())
            break;
    }
    exchange->SetWaiter(nullptr);
    wait.reset();

    if (timedOut) {
        exchange->control.Abort();
        return BytesFromText(HttpTimeoutMessage());
    }
    if (!exchange->finished.load(std::memory_order_acquire)
        || exchange->shutDown.load(std::memory_order_acquire))
        return {}; // shut down while waiting

    if (options.responseHeaders)
        *options.responseHeaders = TextFromBytes(slots.cookiesOrHeaders);
    if (options.receivedCookies)
        *options.receivedCookies = TextFromBytes(slots.methodOrCookies);
    const int conversion = options.conversion.value_or(0);
    if (conversion == 1)
        return BytesFromText(Utf8ToGbk(TextFromBytes(slots.addressOrBody)));
    if (conversion == 2)
        return BytesFromText(Big5ToSimplifiedGbk(TextFromBytes(slots.addressOrBody)));
    return std::move(slots.addressOrBody);
}

const Text& HttpTimeoutMessage()
{
    static const Text message = Cp936(
        "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。");
    return message;
}

} // namespace kf
