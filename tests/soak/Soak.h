#pragma once
// The capture path without the window (identification, download, record
// handler, call-accounting file) against the simulator while faults are
// switched on and off by a fixed seed, and the check of what reached the file.

#include <array>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tallyvox::soak {

struct TSoakOptions {
    int Records = 2000; // calls in the buffer at the start, erased ones among them
    int Erased = 40;    // erased records mixed in at the start
    std::uint32_t Seed = 17;
    int FaultEveryMs = 40;  // one fault switched on (or off) this often
    int ArriveEveryMs = 25; // a new call this often while the buffer is read
    double Speedup = 10;    // protocol time runs this much faster than real time
};

enum TFaultKind {
    BadNextChecksum,
    BadFirstChecksum,
    Silence,
    EmptyReply,
    ShortReply,
    Noise,
    RefusedSelection,
    LineAway,
    FileAway,
    FaultKinds
};

struct TSoakFigures {
    std::uint64_t Offered = 0;   // calls and erased records put into the buffer
    std::uint64_t Sent = 0;      // record replies the exchange sent
    std::uint64_t Delivered = 0; // call records sent (the lines the file must hold)
    std::uint64_t Erased = 0;    // erased records sent
    std::uint64_t Rejected = 0;  // erased records the host counted
    std::array<int, FaultKinds> Faults{};
    std::size_t FileLines = 0;
    std::size_t MostLinesHeld = 0; // lines waiting in memory while the file was away
    int Passes = 0;
    double LongestStallSeconds = 0; // protocol time without a record or a pass ending
    double WallSeconds = 0;
    std::vector<std::string> Violations; // empty when every invariant held
};

// Runs the soak in folder (the call-accounting file and the folder moved away
// live there) and checks its invariants.
TSoakFigures RunSoak(const TSoakOptions& options, const std::filesystem::path& folder);

void PrintFigures(std::ostream& out, const TSoakFigures& figures);

} // namespace tallyvox::soak
