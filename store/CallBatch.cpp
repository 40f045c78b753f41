#include "store/CallBatch.h"

namespace tallyvox::store {

namespace {

constexpr const char* Columns =
    "site, serial_number, start_at, duration_seconds, hardware_line, program_number, trunk, "
    "dialled_number, date_suspicious, start_suspicious, duration_suspicious, raw_line";
constexpr int ColumnCount = 12;

// A text field of the COPY text format.
void AppendCopyText(std::string_view text, std::string& out) {
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// Bytes as bytea's hex text, its backslash escaped for the COPY text format.
void AppendCopyBytes(std::string_view bytes, std::string& out) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += "\\\\x";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += Hex[byte >> 4];
        out += Hex[byte & 15];
    }
}

const char* Boolean(bool value) {
    return value ? "t" : "f";
}

void CopyCalls(TPgConnection& connection, const std::string& site, const std::string& serial,
               const std::vector<TStoredCall>& calls) {
    std::string data;
    data.reserve(calls.size() * 256);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const TStoredCall& call = calls[i];
        data += std::to_string(i) + '\t';
        for (const std::string_view text :
             {std::string_view(site), std::string_view(serial), std::string_view(call.Start)}) {
            AppendCopyText(text, data);
            data += '\t';
        }
        data += std::to_string(call.DurationSeconds) + '\t';
        for (const std::string* text :
             {&call.HardwareLine, &call.ProgramNumber, &call.Trunk, &call.DialledNumber}) {
            AppendCopyText(*text, data);
            data += '\t';
        }
        for (const bool mark :
             {call.DateSuspicious, call.StartSuspicious, call.DurationSuspicious}) {
            data += Boolean(mark);
            data += '\t';
        }
        AppendCopyBytes(call.RawLine, data);
        data += '\n';
    }
    connection.CopyIn(std::string("COPY tallyvox_incoming (ord, ") + Columns + ") FROM STDIN",
                      data);
    connection.Execute(std::string("INSERT INTO tallyvox_calls (") + Columns +
                       ", captured_at) SELECT " + Columns +
                       ", now() FROM tallyvox_incoming ORDER BY ord ON CONFLICT DO NOTHING");
}

void InsertRows(TPgConnection& connection, const std::string& site, const std::string& serial,
                std::span<const TStoredCall> calls) {
    std::string sql =
        std::string("INSERT INTO tallyvox_calls (") + Columns + ", captured_at) VALUES ";
    std::vector<TParam> params;
    params.reserve(calls.size() * ColumnCount);
    for (const TStoredCall& call : calls) {
        const std::size_t first = params.size() + 1;
        sql += first == 1 ? "(" : ",(";
        for (int c = 0; c < ColumnCount; ++c) {
            sql += "$" + std::to_string(first + static_cast<std::size_t>(c)) + ",";
        }
        sql += "now())";
        params.insert(params.end(), {{site},
                                     {serial},
                                     {call.Start},
                                     {std::to_string(call.DurationSeconds)},
                                     {call.HardwareLine},
                                     {call.ProgramNumber},
                                     {call.Trunk},
                                     {call.DialledNumber},
                                     {Boolean(call.DateSuspicious)},
                                     {Boolean(call.StartSuspicious)},
                                     {Boolean(call.DurationSuspicious)},
                                     {std::string(call.RawLine), true}});
    }
    connection.Query(sql + " ON CONFLICT DO NOTHING", params);
}

// The server's errors that a call's own values cause: data exceptions, broken
// constraints and the limits of the store (an index entry too large).
bool RefusesData(const EStoreError& error) {
    const std::string_view state = error.SqlState;
    return state.starts_with("22") || state.starts_with("23") || state.starts_with("54");
}

std::vector<TSetAsideCall> InsertEach(TPgConnection& connection, const std::string& site,
                                      const std::string& serial,
                                      const std::vector<TStoredCall>& calls) {
    std::vector<TSetAsideCall> setAside;
    connection.Transaction([&] {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            connection.Execute("SAVEPOINT one_call");
            try {
                InsertRows(connection, site, serial, {&calls[i], 1});
                connection.Execute("RELEASE SAVEPOINT one_call");
            } catch (const EStoreError& error) {
                if (!RefusesData(error)) {
                    throw;
                }
                connection.Execute("ROLLBACK TO SAVEPOINT one_call");
                if (!connection
                         .Query("INSERT INTO tallyvox_set_aside (site, serial_number, raw_line, "
                                "reason, captured_at) VALUES ($1, $2, $3, $4, now()) "
                                "ON CONFLICT DO NOTHING RETURNING 1",
                                {{site},
                                 {serial},
                                 {std::string(calls[i].RawLine), true},
                                 {error.what()}})
                         .empty()) {
                    setAside.push_back({i, error.what()});
                }
            }
        }
    });
    return setAside;
}

} // namespace

void PrepareBatches(TPgConnection& connection) {
    connection.Execute(
        "CREATE TEMP TABLE IF NOT EXISTS tallyvox_incoming (ord integer, site text, "
        "serial_number text, start_at timestamp, duration_seconds integer, hardware_line text, "
        "program_number text, trunk text, dialled_number text, date_suspicious boolean, "
        "start_suspicious boolean, duration_suspicious boolean, raw_line bytea) "
        "ON COMMIT DELETE ROWS");
}

std::vector<TSetAsideCall> InsertCalls(TPgConnection& connection, const std::string& site,
                                       const std::string& serialNumber,
                                       const std::vector<TStoredCall>& calls, TInsertMode mode) {
    if (calls.empty()) {
        return {};
    }
    try {
        connection.Transaction([&] {
            if (mode == TInsertMode::Copy) {
                CopyCalls(connection, site, serialNumber, calls);
            } else {
                InsertRows(connection, site, serialNumber, calls);
            }
        });
        return {};
    } catch (const EStoreError& error) {
        if (!RefusesData(error)) {
            throw;
        }
    }
    return InsertEach(connection, site, serialNumber, calls);
}

} // namespace tallyvox::store
