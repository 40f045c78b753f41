#include "sim/TollFraudAttack.h"

#include <algorithm>
#include <array>
#include <random>
#include <string_view>

namespace tallyvox::sim {
namespace {

constexpr std::int64_t SecondsPerDay = 86400;
constexpr std::int64_t Minute = 60;
constexpr std::int64_t Hour = 3600;
// The burst starts between 00:20 and 00:40; the waves from 01:00, one every
// half hour, each call of a wave within a minute of the wave's start and
// lasting 8 to 20 minutes, so a wave has ended before the next one comes and
// the last one by 05:00.
constexpr std::int64_t BurstFrom = 20 * Minute;
constexpr std::int64_t BurstSpread = 20 * Minute;
constexpr std::int64_t WavesFrom = Hour;
constexpr std::int64_t WaveEvery = 30 * Minute;
constexpr std::int64_t WaveJitter = 5 * Minute;
constexpr int WaveCallFromSeconds = 8 * 60;
constexpr int WaveCallToSeconds = 20 * 60;
// Burst calls follow one another every 15 to 25 s and last 20 to 35 s: twelve
// of them fit in under five minutes on three trunks at most.
constexpr int BurstGapFrom = 15;
constexpr int BurstGapTo = 25;
constexpr int BurstCallFrom = 20;
constexpr int BurstCallTo = 35;
// The night taken is the latest one whose 07:00 has passed by the end.
constexpr std::int64_t NightOverBy = 7 * Hour;

class TDraw {
public:
    explicit TDraw(std::uint32_t seed) : Random(seed) {}
    // Mapped by hand, as the traffic is: the standard distributions differ
    // between libraries, the engine does not.
    int operator()(int low, int high) {
        const std::uint32_t span = static_cast<std::uint32_t>(high - low) + 1;
        return low + static_cast<int>(Random() % span);
    }

private:
    std::mt19937 Random;
};

std::string Digits(TDraw& draw, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += static_cast<char>('0' + draw(0, 9));
    }
    return text;
}

// A number abroad: 810, then a country the fraud trade favours, where calls
// cost the most and the carriers there share the takings.
std::string FraudDestination(TDraw& draw) {
    static constexpr std::array<std::string_view, 6> countries = {"53",  "252", "224",
                                                                  "371", "881", "960"};
    const auto country = countries[static_cast<std::size_t>(draw(0, countries.size() - 1))];
    return "810" + std::string(country) + Digits(draw, draw(6, 8));
}

} // namespace

TAttack PlanAttack(std::uint32_t seed, std::int64_t end, std::size_t lineCount) {
    TDraw draw(seed);
    TAttack attack;
    attack.Line = static_cast<std::size_t>(draw(0, static_cast<int>(lineCount) - 1));
    const std::int64_t midnight =
        std::max<std::int64_t>(0, (end - NightOverBy) / SecondsPerDay * SecondsPerDay);
    // The intruder first tries premium-rate numbers (8809...) in quick succession.
    std::int64_t at = midnight + BurstFrom + draw(0, static_cast<int>(BurstSpread));
    for (int i = 0; i < AttackBurstCalls; ++i) {
        attack.Calls.push_back({at, static_cast<std::uint32_t>(draw(BurstCallFrom, BurstCallTo)),
                                "8809" + Digits(draw, 7)});
        at += draw(BurstGapFrom, BurstGapTo);
    }
    for (int wave = 0; wave < AttackWaves; ++wave) {
        const std::int64_t waveStart =
            midnight + WavesFrom + wave * WaveEvery + draw(0, static_cast<int>(WaveJitter));
        for (int i = 0; i < AttackCallsPerWave; ++i) {
            attack.Calls.push_back(
                {waveStart + draw(0, 59),
                 static_cast<std::uint32_t>(draw(WaveCallFromSeconds, WaveCallToSeconds)),
                 FraudDestination(draw)});
        }
    }
    std::stable_sort(attack.Calls.begin(), attack.Calls.end(),
                     [](const TAttackCall& a, const TAttackCall& b) { return a.At < b.At; });
    return attack;
}

} // namespace tallyvox::sim
