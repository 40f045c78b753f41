#pragma once
// A raw pseudo-terminal whose far end the test plays: the port under test opens
// the device, the test reads what it sent and writes what it should receive.
// With an answer function set, a thread answers each byte as it arrives.

#include <atomic>
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

namespace tallyvox::testpty {

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
        std::vector<std::uint8_t> bytes;
        pollfd request{Master, POLLIN, 0};
        while (::poll(&request, 1, bytes.empty() ? waitMs : 20) > 0) {
            std::uint8_t buffer[256];
            const ssize_t got = ::read(Master, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        return bytes;
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

} // namespace tallyvox::testpty
