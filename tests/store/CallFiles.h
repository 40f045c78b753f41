#pragma once
// Call files of generated traffic with header blocks, as the capture side writes
// them, for the store tests and the store benchmark.

#include <string>
#include <vector>

#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "model/Record.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"

namespace tallyvox::testkit {

// count calls of generated office traffic (seeded), oldest first, all ended by
// end, as the call lines a read writes.
inline std::vector<std::string> GeneratedCallLines(std::uint32_t seed, int count,
                                                   const TCalendarTime& end) {
    sim::TTrafficGenerator generator(seed, sim::TTrunkPlan::Arden, 0);
    TDecodeContext context;
    context.TimeUnit = 6;
    context.ModelName = "Arden-L1";
    context.CurrentYear = end.Year;
    std::vector<std::string> lines;
    for (const sim::TCall& call : generator.History(count, end)) {
        const std::vector<std::uint8_t> payload = sim::EncodeCall(call, 6);
        lines.push_back(
            callfile::FormatCallLine(DecodeRecordPayload(payload.data(), payload.size(), context)));
    }
    return lines;
}

// The lines as a call file writes them (CR LF), a header block before every
// block of calls.
inline std::string CallFileText(const std::vector<std::string>& lines, std::size_t block = 250) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i % block == 0) {
            text += callfile::HeaderDateLine({2026, 11, 30, 18, 0, 0}) + "\r\n" +
                    callfile::HeaderTitleLine() + "\r\n";
        }
        text += lines[i] + "\r\n";
    }
    return text;
}

} // namespace tallyvox::testkit
