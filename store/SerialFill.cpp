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

bool HasRowsWithoutSerial(TPgConnection& connection, const std::string& site) {
    return connection
               .Query("SELECT EXISTS (SELECT FROM tallyvox_calls WHERE site = $1 "
                      "AND serial_number = '')",
                      {{site}})
               .at(0)
               .at(0) == "t";
}

void FillMissingSerials(TPgConnection& connection, const std::string& site,
                        const std::string& serialNumber, const std::vector<TStoredCall>& calls) {
    if (serialNumber.empty() || calls.empty()) {
        return;
    }
    std::string lines;
    std::string starts;
    AppendArrays(calls, lines, starts);
    // Each call finds its row through the small index of the rows without a
    // serial (normally none), by its start and then its line bytes.
    connection.Query("UPDATE tallyvox_calls AS c SET serial_number = $1 FROM "
                     "unnest($3::timestamp[], $4::bytea[]) AS sent (start_at, raw_line) "
                     "WHERE c.site = $2 AND c.serial_number = '' AND c.start_at = sent.start_at "
                     "AND c.raw_line = sent.raw_line",
                     {{serialNumber}, {site}, {starts}, {lines}});
}

} // namespace tallyvox::store
