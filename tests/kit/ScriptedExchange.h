#pragma once
// A hand-driven exchange on a raw pseudo-terminal for protocol tests that need
// replies the simulator never sends (frames cut short, a chosen byte missing).
// It answers probes with 0x00 and selections with success; every other command
// takes the next reply queued for it, or gets silence.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/kit/PtyPeer.h"

namespace tallyvox::testkit {

class TScriptedExchange {
public:
    using TBytes = std::vector<std::uint8_t>;

    TScriptedExchange() {
        Peer.AnswerWith([this](const TBytes& seen) { return Answer(seen); });
    }

    const std::string& DevicePath() const { return Peer.DevicePath(); }

    // The reply to the next command that begins with this byte.
    void Queue(std::uint8_t command, TBytes reply) {
        std::lock_guard<std::mutex> lock(Mutex);
        Replies[command].push_back(std::move(reply));
    }

    // Probes answered with this byte; -1 leaves them unanswered.
    void AnswerProbesWith(int answer) {
        std::lock_guard<std::mutex> lock(Mutex);
        ProbeAnswer = answer;
    }

    // Every byte the host sent, in order.
    TBytes Received() const { return Peer.Received(); }

    // The commands other than probes, each with its bytes.
    std::vector<TBytes> Commands() const {
        std::lock_guard<std::mutex> lock(Mutex);
        return Seen;
    }

    // A framed reply: length, the payload combined with the key, and the sum
    // of the payload as sent (plus checksumError).
    static TBytes Frame(const TBytes& clear, std::uint8_t key, int checksumError = 0) {
        TBytes frame{static_cast<std::uint8_t>(clear.size())};
        std::uint8_t sum = 0;
        for (std::uint8_t byte : clear) {
            frame.push_back(byte ^ key);
            sum = static_cast<std::uint8_t>(sum + (byte ^ key));
        }
        frame.push_back(static_cast<std::uint8_t>(sum + checksumError));
        return frame;
    }

private:
    static int CommandLength(std::uint8_t first) {
        switch (first) {
        case 0x84:
            return 4;
        case 0xF0:
            return 5;
        case 0x40:
            return 2;
        default:
            return 1;
        }
    }

    TBytes Answer(const TBytes& seen) {
        std::lock_guard<std::mutex> lock(Mutex);
        Pending.push_back(seen.back());
        if (static_cast<int>(Pending.size()) < CommandLength(Pending.front())) {
            return {};
        }
        const TBytes command = std::move(Pending);
        Pending.clear();
        if (command.front() == 0x00) {
            return ProbeAnswer < 0 ? TBytes{} : TBytes{static_cast<std::uint8_t>(ProbeAnswer)};
        }
        Seen.push_back(command);
        if (command.front() == 0x84) {
            return {0x00, 0x00};
        }
        if (command.front() == 0x40) {
            // The host discards its input right after this command.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::deque<TBytes>& queued = Replies[command.front()];
        if (queued.empty()) {
            return {};
        }
        TBytes reply = std::move(queued.front());
        queued.pop_front();
        return reply;
    }

    mutable std::mutex Mutex;
    std::map<std::uint8_t, std::deque<TBytes>> Replies;
    TBytes Pending;
    std::vector<TBytes> Seen;
    int ProbeAnswer = 0x00;
    TPtyPeer Peer; // last: its thread stops before the state above goes
};

} // namespace tallyvox::testkit
