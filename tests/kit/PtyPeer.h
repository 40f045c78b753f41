#pragma once
// Both ends of a raw pseudo-terminal as a test plays them. TPtyPeer is the far
// end: the port under test opens the device, the test reads what it sent and
// writes what it should receive; with an answer function set, a thread answers
// each byte as it arrives. THostEnd is the host's end of a device someone else
// serves (the simulator), driven with plain POSIX calls so that the far end is
// tested without the program's own serial code.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tallyvox::testkit {

using TBytes = std::vector<std::uint8_t>;

// Up to count bytes from fd: waits firstWaitMs for the first of them, then
// stops when the line stays quiet for quietMs.
inline TBytes ReadWhileArriving(int fd, std::size_t count, int firstWaitMs, int quietMs) {
    TBytes bytes;
    while (bytes.size() < count) {
        pollfd request{fd, POLLIN, 0};
        if (::poll(&request, 1, bytes.empty() ? firstWaitMs : quietMs) <= 0 ||
            !(request.revents & POLLIN)) {
            break;
        }
        std::uint8_t buffer[512];
        const std::size_t want = std::min(sizeof buffer, count - bytes.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

class TPtyPeer {
public:
    // Given every byte received so far (the newest last), the bytes to send back.
    using TAnswer = std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)>;

    TPtyPeer() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&Master, &Slave, name, &raw, nullptr) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        Device = name;
    }

    ~TPtyPeer() {
        StopAnswering();
        CloseMaster();
        ::close(Slave);
    }

    TPtyPeer(const TPtyPeer&) = delete;
    TPtyPeer& operator=(const TPtyPeer&) = delete;

    const std::string& DevicePath() const { return Device; }

    void Send(const std::vector<std::uint8_t>& bytes) {
        if (::write(Master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("cannot write to the pseudo-terminal");
        }
    }

    // The bytes the port has sent and the test has not yet taken, waiting up to
    // waitMs for the first of them.
    std::vector<std::uint8_t> Take(int waitMs = 200) {
        return ReadWhileArriving(Master, SIZE_MAX, waitMs, 20);
    }

    // Answers every byte from now on, on a thread of its own.
    void AnswerWith(TAnswer answer) {
        Answer = std::move(answer);
        Running = true;
        Answering = std::thread([this] { AnswerLoop(); });
    }

    void StopAnswering() {
        Running = false;
        if (Answering.joinable()) {
            Answering.join();
        }
    }

    std::vector<std::uint8_t> Received() const {
        std::lock_guard<std::mutex> lock(Mutex);
        return Log;
    }

    // The line goes away: the port's next read fails.
    void CloseMaster() {
        if (Master >= 0) {
            ::close(Master);
            Master = -1;
        }
    }

private:
    void AnswerLoop() {
        std::vector<std::uint8_t> seen;
        pollfd request{Master, POLLIN, 0};
        while (Running) {
            if (::poll(&request, 1, 10) <= 0) {
                continue;
            }
            std::uint8_t byte = 0;
            if (::read(Master, &byte, 1) != 1) {
                return;
            }
            seen.push_back(byte);
            {
                std::lock_guard<std::mutex> lock(Mutex);
                Log = seen;
            }
            const std::vector<std::uint8_t> reply = Answer(seen);
            if (!reply.empty()) {
                Send(reply);
            }
        }
    }

    int Master = -1;
    int Slave = -1;
    std::string Device;
    TAnswer Answer;
    std::atomic<bool> Running{false};
    std::thread Answering;
    mutable std::mutex Mutex;
    std::vector<std::uint8_t> Log;
};

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
        return ReadWhileArriving(Fd, count, quietMs, quietMs);
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

} // namespace tallyvox::testkit
