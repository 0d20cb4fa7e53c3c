// Loopback servers for the HTTP client tests: a raw TCP server that records requests byte for
// byte, and a cpp-httplib server on an ephemeral port.
#pragma once

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../support/LoopbackListener.h"

namespace kf::test {

// Accepts connections on 127.0.0.1, reads one request each (header block plus Content-Length
// body), records its bytes and answers with a fixed response, or not at all while `silent`.
class RawServer {
public:
    explicit RawServer(
        std::string response = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok")
        : response_(std::move(response))
    {
        listener_ = test::ListenOnLoopback(port_, 16);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RawServer() { Stop(); }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void SetSilent(bool silent) { silent_ = silent; }
    void SetResponse(std::string response)
    {
        std::lock_guard lock(mutex_);
        response_ = std::move(response);
    }
    // Delay before the response is sent.
    void SetDelay(std::chrono::milliseconds delay) { delayMs_ = static_cast<int>(delay.count()); }

    std::vector<std::string> Requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Waits (bounded) until `count` requests have arrived.
    bool WaitForRequests(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
    }

    void Stop()
    {
        if (stopped_.exchange(true))
            return;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        {
            std::lock_guard lock(mutex_);
            for (const int fd : open_)
                ::shutdown(fd, SHUT_RDWR);
        }
        thread_.join();
        for (auto& worker : connections_)
            worker.join();
    }

private:
    void Serve()
    {
        while (!stopped_) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0)
                return;
            std::lock_guard lock(mutex_);
            open_.push_back(fd);
            connections_.emplace_back([this, fd] { Handle(fd); });
        }
    }

    void Handle(int fd)
    {
        std::string request;
        char buffer[4096];
        std::size_t wanted = std::string::npos;
        while (wanted == std::string::npos || request.size() < wanted) {
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(got));
            const auto end = request.find("\r\n\r\n");
            if (wanted == std::string::npos && end != std::string::npos)
                wanted = end + 4 + ContentLength(request.substr(0, end + 2));
        }
        std::string response;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            response = response_;
        }
        arrived_.notify_all();
        if (silent_) {
            while (::recv(fd, buffer, sizeof buffer, 0) > 0) { }
        } else {
            for (int waited = 0; waited < delayMs_ && !stopped_; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::send(fd, response.data(), response.size(), MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_WR);
            while (::recv(fd, buffer, sizeof buffer, 0) > 0) { }
        }
        std::lock_guard lock(mutex_);
        std::erase(open_, fd);
        ::close(fd);
    }

    static std::size_t ContentLength(const std::string& head)
    {
        std::string lower = head;
        for (auto& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto at = lower.find("\r\ncontent-length:");
        return at == std::string::npos ? 0 : std::stoul(lower.substr(at + 17));
    }

    int listener_ = -1;
    int port_ = 0;
    std::string response_;
    std::atomic<bool> silent_ {false};
    std::atomic<int> delayMs_ {0};
    std::atomic<bool> stopped_ {false};
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> requests_;
    std::vector<int> open_;
    std::vector<std::thread> connections_;
    std::thread thread_;
};

// A cpp-httplib server on 127.0.0.1 and an ephemeral port, stopped and joined on scope exit.
class HttplibServer {
public:
    explicit HttplibServer(const std::function<void(httplib::Server&)>& routes)
    {
        routes(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() only reaches a server that is already accepting.
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~HttplibServer()
    {
        server_.stop();
        thread_.join();
    }
    HttplibServer(const HttplibServer&) = delete;
    HttplibServer& operator=(const HttplibServer&) = delete;

    int Port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

} // namespace kf::test
