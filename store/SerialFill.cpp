#include "store/SerialFill.h"

namespace tallyvox::store {

namespace {

// An array literal of bytea values in hex, and one of the starts.
void AppendArrays(const std::vector<TStoredCall>& calls, std::string& lines, std::string& starts) {
    static constexpr char Hex[] = "0123456789abcdef";
    lines = "{";
    starts = "{";
    for (const TStoredCall& call : calls) {
        lines += lines.size() == 1 ? "\"\\\\x" : ",\"\\\\x";
        for (const char c : call.RawLine) {
            const auto byte = static_cast<unsigned char>(c);
            lines += Hex[byte >> 4];
            lines += Hex[byte & 15];
        }
        lines += '"';
        starts += (starts.size() == 1 ? "\"" : ",\"") + call.Start + '"';
    }
    lines += '}';
    starts += '}';
}

} // namespace

void FillMissingSerials(TPgConnection& connection, const std::string& site,
                        const std::string& serialNumber, const std::vector<TStoredCall>& calls) {
    if (serialNumber.empty() || calls.empty()) {
        return;
    }
    std::string lines;
    std::string starts;
    AppendArrays(calls, lines, starts);
    // The start narrows the search to the key's index; the line bytes pick the row.
    connection.Query("UPDATE tallyvox_calls SET serial_number = $1 WHERE site = $2 "
                     "AND start_at = ANY($3::timestamp[]) AND serial_number = '' "
                     "AND raw_line = ANY($4::bytea[])",
                     {{serialNumber}, {site}, {starts}, {lines}});
}

} // namespace tallyvox::store
