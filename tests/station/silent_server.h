#pragma once
// A lab server that does not answer: a TCP listener on the loopback interface
// that accepts connections and never sends a byte, and the data link that
// names it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kav::test {

class SilentServer {
public:
    SilentServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 64) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on the loopback interface");
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] {
            for (int fd; (fd = ::accept(listener_, nullptr, nullptr)) >= 0;) {
                std::lock_guard lock(mutex_);
                accepted_.push_back(fd);
            }
        });
    }
    ~SilentServer() {
        ::shutdown(listener_, SHUT_RDWR);  // ends the acceptor's accept()
        acceptor_.join();
        ::close(listener_);
        for (int fd : accepted_) ::close(fd);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int port() const { return port_; }
    // The connections accepted so far: one for each attempt to connect.
    int accepted() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(accepted_.size());
    }
    // Writes a teacher.udl naming this server into folder; connectTimeout in
    // seconds, as libpq counts it (0: the backend's own limit).
    std::filesystem::path writeLink(const std::filesystem::path& folder, int connectTimeout) const {
        std::string conninfo = "host=127.0.0.1 port=" + std::to_string(port_) + " dbname=kavlab user=kav_station";
        if (connectTimeout > 0) conninfo += " connect_timeout=" + std::to_string(connectTimeout);
        const auto link = folder / "teacher.udl";
        writeFile(link, "[oledb]\r\nProvider=PostgreSQL;Data Source=\"" + conninfo +
                            "\";Jet OLEDB:Database Password=\"\";Persist Security Info=False\r\n");
        return link;
    }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<int> accepted_;
};

}  // namespace kav::test
