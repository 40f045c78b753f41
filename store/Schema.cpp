#include "store/Schema.h"

#include <array>
#include <set>
#include <string>

namespace tallyvox::store {

namespace {

// One key for the advisory lock that keeps two first connects from racing.
constexpr const char* SchemaLock = "SELECT pg_advisory_xact_lock(7310565346100116)";

// Every call once: two calls of one site alike in all of these cannot happen, so
// a line sent again finds its row, whichever exchange serial it comes with. The
// dialled number is keyed by its digest, so that a field of any length fits the
// index. The key begins with the site and the start, so it serves a period query
// per site too.
constexpr const char* CallKey =
    "site, start_at, hardware_line, duration_seconds, trunk, md5(dialled_number)";

constexpr const char* CreateTables = R"(
CREATE TABLE tallyvox_schema (version integer NOT NULL);
CREATE TABLE tallyvox_calls (
    id bigserial PRIMARY KEY,
    site text NOT NULL,
    serial_number text NOT NULL,
    start_at timestamp NOT NULL,
    duration_seconds integer NOT NULL,
    hardware_line text NOT NULL,
    program_number text NOT NULL,
    trunk text NOT NULL,
    dialled_number text NOT NULL,
    date_suspicious boolean NOT NULL,
    start_suspicious boolean NOT NULL,
    duration_suspicious boolean NOT NULL,
    raw_line bytea NOT NULL,
    captured_at timestamptz NOT NULL
);
CREATE TABLE tallyvox_coverage (
    site text NOT NULL,
    begins_at timestamptz NOT NULL,
    ends_at timestamptz,
    captured boolean NOT NULL,
    serial_number text NOT NULL DEFAULT '',
    records integer NOT NULL DEFAULT 0,
    reason text NOT NULL DEFAULT '',
    buffer_fill integer NOT NULL DEFAULT 0,
    buffer_capacity integer NOT NULL DEFAULT 0,
    CONSTRAINT tallyvox_coverage_once UNIQUE (site, begins_at, captured, reason)
);
)";

// The lines the store could not take as calls, kept with their bytes and the
// server's reason, each once.
constexpr const char* CreateSetAside = R"(
CREATE TABLE tallyvox_set_aside (
    id bigserial PRIMARY KEY,
    site text NOT NULL,
    serial_number text NOT NULL,
    raw_line bytea NOT NULL,
    reason text NOT NULL,
    captured_at timestamptz NOT NULL
);
CREATE UNIQUE INDEX tallyvox_set_aside_once ON tallyvox_set_aside (site, md5(raw_line));
)";

// The report's mail sent from the store's calls: what went to whom, and what
// failed, so a run tried again sends only what did not go out.
constexpr const char* CreateReportMail = R"(
CREATE TABLE tallyvox_report_mail (
    id bigserial PRIMARY KEY,
    sites text NOT NULL,
    attempted_at timestamptz NOT NULL,
    period text NOT NULL,
    department text NOT NULL,
    recipients text NOT NULL,
    sent boolean NOT NULL,
    reason text NOT NULL
);
)";

struct TColumn {
    const char* Table;
    const char* Name;
    const char* Type;
};

constexpr std::array<TColumn, 27> UsedColumns{{
    {"tallyvox_calls", "site", "text"},
    {"tallyvox_calls", "serial_number", "text"},
    {"tallyvox_calls", "start_at", "timestamp without time zone"},
    {"tallyvox_calls", "duration_seconds", "integer"},
    {"tallyvox_calls", "hardware_line", "text"},
    {"tallyvox_calls", "program_number", "text"},
    {"tallyvox_calls", "trunk", "text"},
    {"tallyvox_calls", "dialled_number", "text"},
    {"tallyvox_calls", "raw_line", "bytea"},
    {"tallyvox_calls", "captured_at", "timestamp with time zone"},
    {"tallyvox_coverage", "site", "text"},
    {"tallyvox_coverage", "begins_at", "timestamp with time zone"},
    {"tallyvox_coverage", "ends_at", "timestamp with time zone"},
    {"tallyvox_coverage", "captured", "boolean"},
    {"tallyvox_coverage", "reason", "text"},
    {"tallyvox_coverage", "buffer_fill", "integer"},
    {"tallyvox_coverage", "buffer_capacity", "integer"},
    {"tallyvox_set_aside", "site", "text"},
    {"tallyvox_set_aside", "raw_line", "bytea"},
    {"tallyvox_set_aside", "reason", "text"},
    {"tallyvox_report_mail", "sites", "text"},
    {"tallyvox_report_mail", "attempted_at", "timestamp with time zone"},
    {"tallyvox_report_mail", "period", "text"},
    {"tallyvox_report_mail", "department", "text"},
    {"tallyvox_report_mail", "recipients", "text"},
    {"tallyvox_report_mail", "sent", "boolean"},
    {"tallyvox_report_mail", "reason", "text"},
}};

// The key, and the index of the rows still without a serial number, by which
// a line sent again with one finds its row at once.
std::string CreateCallIndexes() {
    return std::string("CREATE UNIQUE INDEX tallyvox_calls_once ON tallyvox_calls (") + CallKey +
           "); CREATE INDEX tallyvox_calls_unplaced ON tallyvox_calls (site, start_at) "
           "WHERE serial_number = ''";
}

// Version 1 keyed the calls by their serial number too, so a call sent again
// with another serial (or none) was stored twice. Of such twins the row with a
// serial number stays, the first stored when several have one.
void MigrateFromVersion1To2(TPgConnection& connection) {
    connection.Execute(std::string("DELETE FROM tallyvox_calls WHERE id IN (SELECT id FROM "
                                   "(SELECT id, row_number() OVER (PARTITION BY ") +
                       CallKey +
                       " ORDER BY serial_number = '', id) AS n FROM tallyvox_calls) AS twins "
                       "WHERE n > 1)");
    connection.Execute("ALTER TABLE tallyvox_calls DROP CONSTRAINT tallyvox_calls_once");
    connection.Execute(CreateCallIndexes());
    // Two gaps of a journal can begin in the same second (a read that finds no
    // exchange, then stops): their reasons keep them apart.
    connection.Execute("ALTER TABLE tallyvox_coverage "
                       "ADD COLUMN buffer_fill integer NOT NULL DEFAULT 0, "
                       "ADD COLUMN buffer_capacity integer NOT NULL DEFAULT 0, "
                       "DROP CONSTRAINT tallyvox_coverage_once, "
                       "ADD CONSTRAINT tallyvox_coverage_once UNIQUE "
                       "(site, begins_at, captured, reason)");
}

// Each version's changes, from the one the store is of to this program's, in one
// transaction.
void Migrate(TPgConnection& connection, int version) {
    if (version == 1) {
        MigrateFromVersion1To2(connection);
    }
    if (version <= 2) {
        connection.Execute(CreateSetAside); // version 3
    }
    connection.Execute(CreateReportMail); // version 4
    connection.Execute("UPDATE tallyvox_schema SET version = " + std::to_string(SchemaVersion));
}

bool TableExists(TPgConnection& connection, const std::string& table) {
    return connection.Query("SELECT to_regclass($1) IS NOT NULL", {{table}}).at(0).at(0) == "t";
}

void CheckColumns(TPgConnection& connection) {
    std::set<std::string> found;
    for (const TRow& row :
         connection.Query("SELECT table_name || '.' || column_name || ' ' || data_type "
                          "FROM information_schema.columns WHERE table_schema = current_schema() "
                          "AND table_name IN ('tallyvox_calls', 'tallyvox_coverage', "
                          "'tallyvox_set_aside', 'tallyvox_report_mail')")) {
        found.insert(row.at(0));
    }
    for (const TColumn& column : UsedColumns) {
        const std::string name = std::string(column.Table) + "." + column.Name;
        if (found.count(name + " " + column.Type) == 0) {
            throw EStoreError("the store's table " + std::string(column.Table) + " has no column " +
                              column.Name + " of type " + column.Type +
                              ": it was not made by this version of Tallyvox");
        }
    }
}

void CheckVersion(TPgConnection& connection) {
    const std::vector<TRow> rows = connection.Query("SELECT version FROM tallyvox_schema");
    if (rows.size() != 1) {
        throw EStoreError("the store's tallyvox_schema table holds " + std::to_string(rows.size()) +
                          " rows instead of one version");
    }
    const std::string& version = rows.front().at(0);
    if (version == "1" || version == "2" || version == "3") {
        try {
            Migrate(connection, std::stoi(version));
        } catch (const EStoreError& error) {
            throw EStoreError("the store is of schema version " + version +
                              " and could not be brought to version " +
                              std::to_string(SchemaVersion) + " (" + error.what() +
                              "): connect once as the owner of its tables");
        }
    } else if (version != std::to_string(SchemaVersion)) {
        throw EStoreError("the store is of schema version " + version +
                          "; this program knows version " + std::to_string(SchemaVersion));
    }
    CheckColumns(connection);
}

} // namespace

void PrepareSchema(TPgConnection& connection) {
    connection.Transaction([&] {
        connection.Execute(SchemaLock);
        if (TableExists(connection, "tallyvox_schema")) {
            CheckVersion(connection);
        } else if (TableExists(connection, "tallyvox_calls") ||
                   TableExists(connection, "tallyvox_coverage") ||
                   TableExists(connection, "tallyvox_set_aside") ||
                   TableExists(connection, "tallyvox_report_mail")) {
            throw EStoreError("the store holds Tallyvox tables without a tallyvox_schema table: "
                              "they were not made by this program");
        } else {
            connection.Execute(CreateTables);
            connection.Execute(CreateCallIndexes());
            connection.Execute(CreateSetAside);
            connection.Execute(CreateReportMail);
            connection.Execute("INSERT INTO tallyvox_schema VALUES (" +
                               std::to_string(SchemaVersion) + ")");
        }
    });
}

} // namespace tallyvox::store
