// AbortAllRequests: in-flight exchanges end at once and later calls return empty bytes. In its
// own program because it stops every request of the process for good.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "TestServers.h"
#include "http/HttpRequest.h"

namespace kf {
namespace {

using namespace std::chrono_literals;

TEST(HttpShutdown, AbortAllEndsInFlightRequestsAndLaterOnes)
{
    test::RawServer server;
    server.SetSilent(true);
    auto inFlight = std::async(std::launch::async, [&] {
        Text address = server.Base() + "/slow";
        HttpOptions options;
        options.timeoutSeconds = 60;
        return HttpRequest(address, options);
    });
    ASSERT_TRUE(server.WaitForRequests(1));
    AbortAllRequests();
    ASSERT_EQ(inFlight.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(inFlight.get().empty());

    Text later = server.Base() + "/later";
    EXPECT_TRUE(HttpRequest(later).empty());
    EXPECT_EQ(server.Requests().size(), 1u);

    for (int i = 0; i < 500 && LiveHttpWorkers() != 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(LiveHttpWorkers(), 0);
}

} // namespace
} // namespace kf
