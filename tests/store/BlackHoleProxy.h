#pragma once
// A TCP listener on loopback in front of the tests' PostgreSQL server (which
// listens on a Unix socket only): it relays both ways until told to go silent;
// from then on it still accepts, but passes no byte on any connection it holds
// or takes, as a store behind a dead route does while the system keeps the
// connection open.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace tallyvox::testkit {

class TBlackHoleProxy {
public:
    explicit TBlackHoleProxy(const std::string& serverSocket) : ServerSocket(serverSocket) {
        Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(Listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(Listener, 16) != 0 ||
            ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("cannot listen on loopback");
        }
        Port = ntohs(address.sin_port);
        Thread = std::thread([this] { Run(); });
    }
    ~TBlackHoleProxy() {
        Stopping = true;
        Thread.join();
        for (const TPair& pair : Pairs) {
            ::close(pair.Client);
            ::close(pair.Server);
        }
        ::close(Listener);
    }
    TBlackHoleProxy(const TBlackHoleProxy&) = delete;
    TBlackHoleProxy& operator=(const TBlackHoleProxy&) = delete;

    int PortNumber() const { return Port; }
    // Passes no more bytes on any connection, old or new, until Relay.
    void GoSilent() { Silent = true; }
    // Connections taken from now on are relayed again.
    void Relay() { Silent = false; }

private:
    struct TPair {
        int Client = -1;
        int Server = -1;
        bool Frozen = false;
    };

    int ConnectToServer() const {
        const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ServerSocket.copy(address.sun_path, sizeof address.sun_path - 1);
        ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
        return server;
    }

    void Run() {
        while (!Stopping) {
            if (Silent) {
                for (TPair& pair : Pairs) {
                    pair.Frozen = true;
                }
            }
            std::vector<pollfd> watched{{Listener, POLLIN, 0}};
            for (const TPair& pair : Pairs) {
                const short events = pair.Frozen ? 0 : POLLIN;
                watched.push_back({pair.Client, events, 0});
                watched.push_back({pair.Server, events, 0});
            }
            if (::poll(watched.data(), watched.size(), 50) <= 0) {
                continue;
            }
            for (std::size_t i = 0; i < Pairs.size(); ++i) {
                Pass(Pairs[i], watched[1 + 2 * i].revents, watched[2 + 2 * i].revents);
            }
            if (watched[0].revents & POLLIN) {
                const int client = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
                Pairs.push_back({client, ConnectToServer(), Silent.load()});
            }
        }
    }

    // Copies what came on either side to the other; a side that closed
    // freezes the pair (the other side is closed when the proxy ends).
    static void Pass(TPair& pair, short clientEvents, short serverEvents) {
        char buffer[65536];
        for (const auto& [from, to, events] :
             {std::tuple{pair.Client, pair.Server, clientEvents},
              std::tuple{pair.Server, pair.Client, serverEvents}}) {
            if (pair.Frozen || (events & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t got = ::read(from, buffer, sizeof buffer);
            if (got <= 0 ||
                ::send(to, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) != got) {
                pair.Frozen = true;
                ::shutdown(to, SHUT_RDWR);
            }
        }
    }

    std::string ServerSocket;
    int Listener = -1;
    int Port = 0;
    std::vector<TPair> Pairs; // the proxy's thread only
    std::atomic<bool> Silent{false};
    std::atomic<bool> Stopping{false};
    std::thread Thread;
};

} // namespace tallyvox::testkit
