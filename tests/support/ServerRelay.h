#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// Relays one TCP connection at a time between a client and a server on 127.0.0.1, and plays the network's
// and the server's faults on demand: frozen, it swallows what the client sends and passes nothing on (a hung
// server); Cut ends the connection under way (a server restarted); refusing, it closes every new connection
// at once (a server gone). Bounded: it polls in steps of 50 ms and stops with its owner.
class ServerRelay final {
public:
    explicit ServerRelay(std::uint16_t upstream) : upstream_(upstream) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ServerRelay() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    ServerRelay(const ServerRelay&) = delete;
    ServerRelay& operator=(const ServerRelay&) = delete;

    std::uint16_t Port() const { return port_; }
    void Freeze(bool frozen) { frozen_ = frozen; }
    void Cut() { cut_ = true; }
    void Refuse(bool refusing) { refusing_ = refusing; }
    // The connections accepted so far.
    int Accepted() const { return accepted_; }

private:
    static sockaddr_in Loopback(std::uint16_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        return address;
    }

    void Serve() {
        while (!stop_) {
            pollfd watched{listener_, POLLIN, 0};
            if (::poll(&watched, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            ++accepted_;
            cut_ = false;
            if (refusing_) {
                ::close(client);
                continue;
            }
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in address = Loopback(upstream_);
            if (::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                Relay(client, server);
            ::close(server);
            ::close(client);
        }
    }

    void Relay(int client, int server) {
        char chunk[8192];
        while (!stop_ && !cut_) {
            pollfd watched[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(watched, 2, 50) <= 0)
                continue;
            for (int side = 0; side < 2; ++side) {
                if (watched[side].revents == 0)
                    continue;
                const ssize_t count = ::recv(watched[side].fd, chunk, sizeof chunk, 0);
                if (count <= 0)
                    return;
                if (side == 0 && frozen_)
                    continue;
                ::send(side == 0 ? server : client, chunk, static_cast<std::size_t>(count), MSG_NOSIGNAL);
            }
        }
    }

    std::uint16_t upstream_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> frozen_{false};
    std::atomic<bool> cut_{false};
    std::atomic<bool> refusing_{false};
    std::atomic<int> accepted_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
