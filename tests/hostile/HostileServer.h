// A raw loopback TCP server whose answers are scripted per connection, and the hostile scripts:
// silence, endless headers or bodies, broken bytes, redirect loops and connections cut halfway.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../support/LoopbackListener.h"

namespace kf::test {

class HostileServer;

// One accepted connection, as the script sees it. Every call returns early once the server stops,
// so a script may loop "forever" on Send or Pause.
class Peer {
public:
    Peer(HostileServer& server, int fd)
        : server_(server)
        , fd_(fd)
    {
    }

    // Reads one request's header block; its request-target, or empty when the peer closed first.
    std::string ReadRequest();
    // Sends every byte; false once the peer has gone or the server stops.
    bool Send(std::string_view bytes);
    // Reads and drops whatever arrives until the peer closes or the server stops.
    void HoldUntilClosed();
    // Sleeps unless the server stops first; false when it stops.
    bool Pause(std::chrono::milliseconds pause);

private:
    HostileServer& server_;
    int fd_;
    std::string pending_;
};

using Script = std::function<void(Peer&)>;

class HostileServer {
public:
    explicit HostileServer(Script script = {})
        : script_(std::move(script))
    {
        listener_ = test::ListenOnLoopback(port_);
        if (listener_ < 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
            std::perror("hostile server");
            return;
        }
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~HostileServer()
    {
        Stop();
        ::close(listener_);
        if (wakePipe_[0] >= 0) {
            ::close(wakePipe_[0]);
            ::close(wakePipe_[1]);
        }
    }
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    int Port() const { return port_; }
    std::string Base() const { return "http://" + Self(); }
    // "127.0.0.1:<port>", as links back to this server name it.
    std::string Self() const { return "127.0.0.1:" + std::to_string(port_); }

    // Replaces the script for the connections accepted from now on (for pages that link back here).
    void SetScript(Script script)
    {
        std::lock_guard lock(mutex_);
        script_ = std::move(script);
    }

    int Connections() const { return connections_.load(); }
    int Requests() const { return requests_.load(); }
    // Connections whose script saw the peer close or fail before the server stopped.
    int ClosedByPeer() const { return closedByPeer_.load(); }
    bool Stopping() const { return stopping_.load(); }

    // Waits, bounded, until `count` connections have been accepted.
    bool WaitForConnections(int count, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return connections_.load() >= count; });
    }

    // Stops accepting, wakes every script (blocked sends and reads included) and joins them all.
    void Stop()
    {
        if (port_ < 0 || stopping_.exchange(true)) {
            return;
        }
        const char byte = 0;
        [[maybe_unused]] const auto written = ::write(wakePipe_[1], &byte, 1);
        {
            std::lock_guard lock(mutex_);
            for (const int fd : open_) {
                ::shutdown(fd, SHUT_RDWR);
            }
        }
        changed_.notify_all();
        acceptor_.join();
        std::vector<std::thread> scripts;
        {
            std::lock_guard lock(mutex_);
            scripts.swap(scripts_);
        }
        for (auto& thread : scripts) {
            thread.join();
        }
    }

private:
    friend class Peer;

    void Accept()
    {
        for (;;) {
            pollfd fds[2] = {{listener_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0 || stopping_.load()) {
                return;
            }
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            std::lock_guard lock(mutex_);
            if (stopping_.load()) {
                ::close(fd);
                return;
            }
            open_.insert(fd);
            ++connections_;
            scripts_.emplace_back([this, fd] { Serve(fd); });
            changed_.notify_all();
        }
    }

    void Serve(int fd)
    {
        Script script;
        {
            std::lock_guard lock(mutex_);
            script = script_;
        }
        Peer peer(*this, fd);
        if (script) {
            script(peer);
        }
        std::lock_guard lock(mutex_);
        // Closed under the lock so that Stop never shuts down a number the system has reused.
        open_.erase(fd);
        ::close(fd);
    }

    void PeerGone()
    {
        if (!stopping_.load()) {
            ++closedByPeer_;
        }
    }

    Script script_; // guarded by mutex_
    int listener_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = -1;
    std::thread acceptor_;
    std::atomic<bool> stopping_ {false};
    std::atomic<int> connections_ {0};
    std::atomic<int> requests_ {0};
    std::atomic<int> closedByPeer_ {0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> open_; // guarded by mutex_
    std::vector<std::thread> scripts_; // guarded by mutex_
};

inline std::string Peer::ReadRequest()
{
    constexpr std::size_t kMaxHead = 64 * 1024;
    for (;;) {
        const auto end = pending_.find("\r\n\r\n");
        if (end != std::string::npos) {
            const std::string head = pending_.substr(0, end);
            pending_.erase(0, end + 4);
            ++server_.requests_;
            const auto first = head.find(' ');
            const auto second = first == std::string::npos ? first : head.find(' ', first + 1);
            return second == std::string::npos ? std::string("/")
                                               : head.substr(first + 1, second - first - 1);
        }
        char buffer[4096];
        const ssize_t got
            = server_.Stopping() || pending_.size() > kMaxHead ? 0 : ::recv(fd_, buffer, sizeof buffer, 0);
        if (got <= 0) {
            server_.PeerGone();
            return {};
        }
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

inline bool Peer::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (server_.Stopping()) {
            return false;
        }
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            server_.PeerGone();
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

inline void Peer::HoldUntilClosed()
{
    char buffer[4096];
    while (!server_.Stopping()) {
        if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) {
            server_.PeerGone();
            return;
        }
    }
}

inline bool Peer::Pause(std::chrono::milliseconds pause)
{
    std::unique_lock lock(server_.mutex_);
    return !server_.changed_.wait_for(lock, pause, [this] { return server_.Stopping(); });
}

// --- The scripts ---

namespace hostile {

// A whole response with the given body and a correct Content-Length.
inline std::string Response(std::string_view body, std::string_view contentType = "text/html; charset=utf-8")
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentType)
        + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

// Takes the connection and never says a word.
inline Script NeverAnswer()
{
    return [](Peer& peer) { peer.HoldUntilClosed(); };
}

// A status line, then header lines without end: as fast as the peer reads, or one every `trickle`.
inline Script EndlessHeaders(std::chrono::milliseconds trickle = {})
{
    return [trickle](Peer& peer) {
        if (peer.ReadRequest().empty() || !peer.Send("HTTP/1.1 200 OK\r\n")) {
            return;
        }
        const std::string line = "X-Filler: " + std::string(200, 'h') + "\r\n";
        while (peer.Send(line)) {
            if (trickle.count() > 0 && !peer.Pause(trickle)) {
                return;
            }
        }
    };
}

// A status line, then one header line that never ends.
inline Script EndlessHeaderLine()
{
    return [](Peer& peer) {
        if (peer.ReadRequest().empty() || !peer.Send("HTTP/1.1 200 OK\r\nX-Endless: ")) {
            return;
        }
        const std::string piece(16 * 1024, 'v');
        while (peer.Send(piece)) { }
    };
}

// A short chunked body, then trailer lines without end.
inline Script EndlessTrailers()
{
    return [](Peer& peer) {
        if (peer.ReadRequest().empty()
            || !peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n")) {
            return;
        }
        const std::string line = "X-Trailer: " + std::string(100, 't') + "\r\n";
        while (peer.Send(line)) { }
    };
}

// Filler that matches none of the result-page patterns, in ASCII and Chinese.
inline std::string FillerBlock()
{
    std::string block;
    for (int i = 0; i < 512; ++i) {
        block
            += "<p class=\"filler\">无尽的正文，没有结果 endless body line, nothing to find 0123456789</p>\n";
    }
    return block;
}

// Headers, then a body without end: chunked, or with no length and no end.
inline Script EndlessBody(bool chunked, std::chrono::milliseconds trickle = {})
{
    return [chunked, trickle](Peer& peer) {
        if (peer.ReadRequest().empty()) {
            return;
        }
        const std::string head = chunked
            ? "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nTransfer-Encoding: "
              "chunked\r\n\r\n"
            : "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n\r\n";
        const std::string block = trickle.count() > 0 ? std::string("<p>slow</p>\n") : FillerBlock();
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", block.size());
        const std::string piece = chunked ? size + block + "\r\n" : block;
        if (!peer.Send(head)) {
            return;
        }
        while (peer.Send(piece)) {
            if (trickle.count() > 0 && !peer.Pause(trickle)) {
                return;
            }
        }
    };
}

// Answers every request with `response` as it stands (keeping the connection for the next one).
inline Script Fixed(std::string response)
{
    return [response = std::move(response)](Peer& peer) {
        while (!peer.ReadRequest().empty() && peer.Send(response)) { }
    };
}

// Answers result-page requests (/s...) with `page` and every other request with `other`; with
// `closeAfterOther` the connection is closed right after `other`.
inline Script PageAndOthers(std::string page, std::string other, bool closeAfterOther = false)
{
    return [page = std::move(page), other = std::move(other), closeAfterOther](Peer& peer) {
        for (;;) {
            const std::string target = peer.ReadRequest();
            const bool isPage = target.rfind("/s", 0) == 0;
            if (target.empty() || !peer.Send(isPage ? page : other) || (!isPage && closeAfterOther)) {
                return;
            }
        }
    };
}

// Sends `bytes` after the request and closes the connection.
inline Script SendAndClose(std::string bytes)
{
    return [bytes = std::move(bytes)](Peer& peer) {
        if (!peer.ReadRequest().empty()) {
            peer.Send(bytes);
        }
    };
}

// 302 to the same target again, or back and forth between the target and "/b".
inline Script RedirectLoop(bool betweenTwo)
{
    return [betweenTwo](Peer& peer) {
        for (;;) {
            const std::string target = peer.ReadRequest();
            if (target.empty()) {
                return;
            }
            const std::string next
                = !betweenTwo ? target : (target == "/b" ? std::string("/a?x=1") : std::string("/b"));
            const std::string response = "HTTP/1.1 302 Found\r\nLocation: " + next
                + "\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nredirect\n";
            if (!peer.Send(response)) {
                return;
            }
        }
    };
}

} // namespace hostile

} // namespace kf::test
