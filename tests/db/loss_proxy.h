#pragma once
// A TCP relay on 127.0.0.1 between a program and the test server that can
// lose the server's reply to a commit: it passes the COMMIT (or the call of the
// report function, a transaction of its own) on, waits until the server is
// ready for the next query outside any transaction (so the transaction is
// stored), and then closes both sides instead of passing the answer back.
#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kav::test {

class LossProxy {
public:
    // conninfo: the server's libpq keyword/value string (host and port are read).
    explicit LossProxy(const std::string& conninfo) {
        std::string host = "127.0.0.1", port = "5432";
        if (PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), nullptr)) {
            for (PQconninfoOption* o = options; o->keyword; ++o) {
                if (o->val && std::strcmp(o->keyword, "host") == 0) host = o->val;
                if (o->val && std::strcmp(o->keyword, "port") == 0) port = o->val;
            }
            PQconninfoFree(options);
        }
        server_ = sockaddr_in{};
        server_.sin_family = AF_INET;
        server_.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
        if (inet_pton(AF_INET, host.c_str(), &server_.sin_addr) != 1)
            throw std::runtime_error("the proxy needs the server's numeric IPv4 address, not " + host);

        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in here{};
        here.sin_family = AF_INET;
        here.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof here;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&here), sizeof here) != 0 || listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&here), &length) != 0)
            throw std::runtime_error("the proxy cannot listen");
        port_ = ntohs(here.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~LossProxy() {
        stop_ = true;
        acceptor_.join();
        std::lock_guard lock(mutex_);
        for (auto& t : relays_) t.join();
        close(listener_);
    }
    LossProxy(const LossProxy&) = delete;
    LossProxy& operator=(const LossProxy&) = delete;

    int port() const { return port_; }
    void dropReplyToNextCommit() { armed_ = true; }
    int repliesDropped() const { return dropped_; }
    void resetCounts() { dropped_ = 0; }

private:
    static bool waitReadable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, ms) > 0;
    }
    void acceptLoop() {
        while (!stop_) {
            if (!waitReadable(listener_, 50)) continue;
            const int client = accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            const int server = socket(AF_INET, SOCK_STREAM, 0);
            if (connect(server, reinterpret_cast<const sockaddr*>(&server_), sizeof server_) != 0) {
                close(client);
                close(server);
                continue;
            }
            std::lock_guard lock(mutex_);
            relays_.emplace_back([this, client, server] { relay(client, server); });
        }
    }
    void relay(int client, int server) {
        char buffer[65536];
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        while (!stop_) {
            if (poll(ends, 2, 50) <= 0) continue;
            if (ends[0].revents) {
                const ssize_t n = recv(client, buffer, sizeof buffer, 0);
                if (n <= 0 || send(server, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) != n) break;
                const std::string_view sent(buffer, static_cast<size_t>(n));
                if (armed_ && (sent.find("COMMIT") != sent.npos || sent.find("kav_report") != sent.npos)) {
                    awaitCommitted(server);
                    armed_ = false;
                    ++dropped_;
                    break;
                }
            }
            if (ends[1].revents) {
                const ssize_t n = recv(server, buffer, sizeof buffer, 0);
                if (n <= 0 || send(client, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) != n) break;
            }
        }
        close(client);
        close(server);
    }
    // Reads the server's answer up to its "ready for query, idle" message (at most 10 s).
    static void awaitCommitted(int server) {
        std::string reply;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char buffer[4096];
        while (reply.find(std::string("Z\0\0\0\x05I", 6)) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            if (!waitReadable(server, 50)) continue;
            const ssize_t n = recv(server, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            reply.append(buffer, static_cast<size_t>(n));
        }
    }

    sockaddr_in server_{};
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false}, armed_{false};
    std::atomic<int> dropped_{0};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> relays_;
};

}  // namespace kav::test
