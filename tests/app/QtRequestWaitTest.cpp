// HTTP requests made on the window thread keep its event loop turning while they wait.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <thread>

#include "app/QtSeams.h"
#include "http/HttpRequest.h"

namespace kf {
namespace {

// A loopback server whose one page answers after `delay`.
class SlowServer {
public:
    explicit SlowServer(std::chrono::milliseconds delay)
    {
        server_.Get("/slow", [delay](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(delay);
            response.set_content("done", "text/plain");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~SlowServer()
    {
        server_.stop();
        thread_.join();
    }
    Text Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/slow"; }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

TEST(QtRequestWait, WindowThreadKeepsTurningWhileARequestWaits)
{
    InstallWindowThreadRequestWait();
    SlowServer server(std::chrono::milliseconds(400));

    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    Text address = server.Address();
    const Bytes body = HttpRequest(address);
    EXPECT_EQ(TextFromBytes(body), "done");
    // Timer events were handled during the wait: the loop turned, the window stayed live.
    EXPECT_GT(ticks, 3);
}

TEST(QtRequestWait, TimeOutOnTheWindowThreadGivesTheMessage)
{
    InstallWindowThreadRequestWait();
    SlowServer server(std::chrono::milliseconds(1500));
    Text address = server.Address();
    HttpOptions options;
    options.timeoutSeconds = 0.3;
    const Text result = TextFromBytes(HttpRequest(address, options));
    EXPECT_NE(result.find("\xB3\xAC\xCA\xB1"), std::string::npos); // "超时" in cp936
}

TEST(QtRequestWait, OtherThreadsBlockWithoutTheWindowLoop)
{
    InstallWindowThreadRequestWait();
    SlowServer server(std::chrono::milliseconds(100));
    Text body;
    std::thread search([&] {
        Text address = server.Address();
        body = TextFromBytes(HttpRequest(address));
    });
    search.join(); // the window thread does not turn its loop here, and need not
    EXPECT_EQ(body, "done");
}

} // namespace
} // namespace kf
