#pragma once
// The host's end of the simulator's line, driven with plain POSIX calls so the
// simulator is tested without the program's own serial code.

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace tallyvox::simtest {

using TBytes = std::vector<std::uint8_t>;

class THostEnd {
public:
    explicit THostEnd(const std::string& device) {
        Fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
        if (Fd < 0) {
            throw std::runtime_error("cannot open " + device);
        }
        termios raw{};
        ::tcgetattr(Fd, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(Fd, TCSANOW, &raw);
    }
    ~THostEnd() { ::close(Fd); }
    THostEnd(const THostEnd&) = delete;
    THostEnd& operator=(const THostEnd&) = delete;

    void Send(const TBytes& bytes) {
        for (std::uint8_t byte : bytes) { // one write a byte, as the program does
            if (::write(Fd, &byte, 1) != 1) {
                throw std::runtime_error("cannot write to the simulator");
            }
        }
    }

    void Purge() { ::tcflush(Fd, TCIFLUSH); }

    // Exactly count bytes, or fewer when the line stays quiet for quietMs.
    TBytes Read(std::size_t count, int quietMs = 500) {
        TBytes bytes;
        while (bytes.size() < count) {
            pollfd request{Fd, POLLIN, 0};
            if (::poll(&request, 1, quietMs) <= 0 || !(request.revents & POLLIN)) {
                break;
            }
            std::uint8_t buffer[512];
            const std::size_t want = std::min(sizeof buffer, count - bytes.size());
            const ssize_t got = ::read(Fd, buffer, want);
            if (got <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        return bytes;
    }

    // Everything that arrives until the line has been quiet for quietMs.
    TBytes ReadAll(int quietMs = 150) { return Read(100000, quietMs); }

    // Sends a command and reads a framed reply: length, payload, checksum.
    TBytes Framed(const TBytes& command) {
        Purge();
        Send(command);
        TBytes reply = Read(1);
        if (reply.size() == 1) {
            const TBytes rest = Read(reply[0] + 1u);
            reply.insert(reply.end(), rest.begin(), rest.end());
        }
        return reply;
    }

    int Fd = -1;
};

// Payload of a framed reply in the clear, and whether its checksum holds.
inline TBytes Clear(const TBytes& framed, std::uint8_t key) {
    TBytes payload;
    for (std::size_t i = 1; i + 1 < framed.size(); ++i) {
        payload.push_back(static_cast<std::uint8_t>(framed[i] ^ key));
    }
    return payload;
}

inline bool ChecksumHolds(const TBytes& framed) {
    if (framed.size() < 2 || framed.size() != framed[0] + 2u) {
        return false;
    }
    unsigned sum = 0;
    for (std::size_t i = 1; i + 1 < framed.size(); ++i) {
        sum += framed[i];
    }
    return static_cast<std::uint8_t>(sum) == framed.back();
}

} // namespace tallyvox::simtest
