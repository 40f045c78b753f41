#include "store/PgConnection.h"

#include <libpq-fe.h>

#include <array>
#include <mutex>

namespace tallyvox::store {

namespace {

struct TResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using TResult = std::unique_ptr<PGresult, TResultDeleter>;

std::string ErrorText(PGconn* connection) {
    std::string text = PQerrorMessage(connection);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// A result that is not what a statement of that kind gives is an error.
TResult Checked(PGconn* connection, PGresult* raw) {
    TResult result(raw);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_COPY_IN &&
        status != PGRES_COPY_OUT) {
        std::string text = result ? PQresultErrorMessage(result.get()) : "";
        if (text.empty()) {
            text = ErrorText(connection);
        }
        while (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        throw EStoreError(text);
    }
    return result;
}

} // namespace

struct TPgConnection::TImpl {
    PGconn* Connection = nullptr;
    std::mutex CancelMutex;
    PGcancel* CancelHandle = nullptr;

    // Ends a COPY and checks its final result.
    void FinishCopy() {
        for (TResult result(PQgetResult(Connection)); result;
             result.reset(PQgetResult(Connection))) {
            Checked(Connection, result.release());
        }
    }
};

TPgConnection::TPgConnection(const std::string& url) : Impl(std::make_unique<TImpl>()) {
    // The defaults come first so that the caller's string may override them; the
    // encoding comes last because every text of the program is Windows-1251.
    const std::array<const char*, 5> keys{"connect_timeout", "application_name", "dbname",
                                          "client_encoding", nullptr};
    const std::array<const char*, 5> values{"10", "tallyvox", url.c_str(), "WIN1251", nullptr};
    Impl->Connection = PQconnectdbParams(keys.data(), values.data(), 1);
    if (Impl->Connection == nullptr) {
        throw EStoreError("out of memory for a store connection");
    }
    if (PQstatus(Impl->Connection) != CONNECTION_OK) {
        const std::string text = ErrorText(Impl->Connection);
        PQfinish(Impl->Connection);
        throw EStoreError(text);
    }
    Impl->CancelHandle = PQgetCancel(Impl->Connection);
}

TPgConnection::~TPgConnection() {
    {
        std::lock_guard lock(Impl->CancelMutex);
        PQfreeCancel(Impl->CancelHandle);
        Impl->CancelHandle = nullptr;
    }
    PQfinish(Impl->Connection);
}

void TPgConnection::Execute(const std::string& sql) {
    Checked(Impl->Connection, PQexec(Impl->Connection, sql.c_str()));
}

std::vector<TRow> TPgConnection::Query(const std::string& sql, const std::vector<TParam>& params) {
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (const TParam& param : params) {
        values.push_back(param.Value.c_str());
        lengths.push_back(static_cast<int>(param.Value.size()));
        formats.push_back(param.Binary ? 1 : 0);
    }
    const TResult result =
        Checked(Impl->Connection,
                PQexecParams(Impl->Connection, sql.c_str(), static_cast<int>(params.size()),
                             nullptr, values.data(), lengths.data(), formats.data(), 0));
    std::vector<TRow> rows(static_cast<std::size_t>(PQntuples(result.get())));
    const int columns = PQnfields(result.get());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const int row = static_cast<int>(r);
            rows[r].emplace_back(PQgetvalue(result.get(), row, c),
                                 static_cast<std::size_t>(PQgetlength(result.get(), row, c)));
        }
    }
    return rows;
}

void TPgConnection::CopyIn(const std::string& copySql, std::string_view data) {
    Checked(Impl->Connection, PQexec(Impl->Connection, copySql.c_str()));
    if (PQputCopyData(Impl->Connection, data.data(), static_cast<int>(data.size())) != 1 ||
        PQputCopyEnd(Impl->Connection, nullptr) != 1) {
        const std::string text = ErrorText(Impl->Connection);
        Impl->FinishCopy();
        throw EStoreError(text);
    }
    Impl->FinishCopy();
}

void TPgConnection::CopyOut(const std::string& copySql,
                            const std::function<void(std::string_view)>& row) {
    Checked(Impl->Connection, PQexec(Impl->Connection, copySql.c_str()));
    char* buffer = nullptr;
    int size = 0;
    while ((size = PQgetCopyData(Impl->Connection, &buffer, 0)) > 0) {
        const std::unique_ptr<char, decltype(&PQfreemem)> owned(buffer, &PQfreemem);
        row(std::string_view(buffer, static_cast<std::size_t>(size)));
    }
    if (size == -2) {
        throw EStoreError(ErrorText(Impl->Connection));
    }
    Impl->FinishCopy();
}

void TPgConnection::Transaction(const std::function<void()>& work) {
    Execute("BEGIN");
    try {
        work();
        Execute("COMMIT");
    } catch (...) {
        try {
            Execute("ROLLBACK");
        } catch (const EStoreError&) {
            // The connection is gone; the server drops the transaction by itself.
        }
        throw;
    }
}

std::string TPgConnection::Literal(std::string_view text) {
    char* quoted = PQescapeLiteral(Impl->Connection, text.data(), text.size());
    if (quoted == nullptr) {
        throw EStoreError(ErrorText(Impl->Connection));
    }
    std::string literal(quoted);
    PQfreemem(quoted);
    return literal;
}

void TPgConnection::Cancel() {
    std::lock_guard lock(Impl->CancelMutex);
    if (Impl->CancelHandle != nullptr) {
        std::array<char, 256> error{};
        PQcancel(Impl->CancelHandle, error.data(), static_cast<int>(error.size()));
    }
}

} // namespace tallyvox::store
