#include "store/StoreCalls.h"

#include <cstdint>
#include <cstring>

#include "report/Load.h"
#include "text/Cp1251.h"

namespace tallyvox::store {

namespace {

// The binary COPY format: a 19-byte header before the rows, and per row a field
// count and each field's length (big-endian) before its bytes.
constexpr std::size_t CopyHeaderSize = 19;

std::uint32_t BigEndian(const char* bytes, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

// The single bytea field of a row of the copy; empty for the header's row part
// and the trailer.
std::string_view RowField(std::string_view row, bool& first) {
    if (first) {
        first = false;
        row.remove_prefix(std::min(row.size(), CopyHeaderSize));
    }
    if (row.size() < 6 || BigEndian(row.data(), 2) != 1) {
        return {};
    }
    const std::uint32_t size = BigEndian(row.data() + 2, 4);
    return row.substr(6, size);
}

std::string SiteCalls(TPgConnection& connection, const std::string& site,
                      const report::TPeriod& period) {
    std::string sql =
        "COPY (SELECT raw_line FROM tallyvox_calls WHERE site = " + connection.Literal(site);
    if (period.From) {
        sql += " AND start_at >= " + connection.Literal(report::DateTimeText(*period.From));
    }
    if (period.To) {
        sql += " AND start_at <= " + connection.Literal(report::DateTimeText(*period.To));
    }
    return sql + " ORDER BY id) TO STDOUT (FORMAT binary)";
}

} // namespace

std::vector<std::string> StoreSites(TPgConnection& connection) {
    std::vector<std::string> sites;
    for (const TRow& row :
         connection.Query("SELECT DISTINCT site FROM tallyvox_calls ORDER BY site")) {
        sites.push_back(row.at(0));
    }
    return sites;
}

TStoreCallSource::TStoreCallSource(TPgConnection& connection, std::vector<std::string> sites,
                                   report::TPeriod period)
    : Connection(connection), Sites(std::move(sites)), Period(std::move(period)) {}

std::size_t TStoreCallSource::Read(std::size_t, const report::TCallConsumer& consumer) {
    if (Sites.empty()) {
        Sites = StoreSites(Connection);
    }
    const bool severalSites = Sites.size() > 1;
    std::string site;
    std::string hardwareLine;
    std::string trunk;
    std::size_t calls = 0;
    report::TCallReader reader([&](const report::TExtStr_rep& call) {
        ++calls;
        if (!severalSites) {
            consumer(call);
            return;
        }
        report::TExtStr_rep keyed = call;
        keyed.HardwareLine = hardwareLine.assign(site).append(":").append(call.HardwareLine);
        keyed.Trunk = trunk.assign(site).append(":").append(call.Trunk);
        consumer(keyed);
    });
    std::string line;
    for (const std::string& name : Sites) {
        site = text::Utf8ToCp1251(name); // the store's text among the call's own
        bool first = true;
        Connection.CopyOut(SiteCalls(Connection, name, Period), [&](std::string_view row) {
            const std::string_view raw = RowField(row, first);
            if (!raw.empty()) {
                reader.Feed(line.assign(raw).append("\n"));
            }
        });
    }
    reader.Finish();
    return calls;
}

report::TCallList LoadStoreCalls(TPgConnection& connection, std::vector<std::string> sites,
                                 const report::TPeriod& period) {
    TStoreCallSource source(connection, std::move(sites), period);
    report::TCallList calls;
    calls.SetLineCount(
        source.Read(0, [&calls](const report::TExtStr_rep& call) { calls.Append(call); }));
    return calls;
}

} // namespace tallyvox::store
