#include "store/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tallyvox::store {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks whether it was abandoned.
constexpr std::chrono::milliseconds AbandonCheck{100};

struct TResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using TResult = std::unique_ptr<PGresult, TResultDeleter>;

// The client library's and the server's messages run over several lines (a
// detail, a hint, each host tried); the log takes one line per event.
std::string OneLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') {
            line += text[i];
            continue;
        }
        while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
            ++i;
        }
        if (i + 1 < text.size()) {
            line += "; ";
        }
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == ';')) {
        line.pop_back();
    }
    return line;
}

std::string ErrorText(PGconn* connection) {
    return OneLine(PQerrorMessage(connection));
}

bool IsError(const PGresult* result) {
    const ExecStatusType status = PQresultStatus(result);
    return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_COPY_IN &&
           status != PGRES_COPY_OUT;
}

EStoreError ResultError(PGconn* connection, const PGresult* result) {
    std::string text = OneLine(PQresultErrorMessage(result));
    if (text.empty()) {
        text = ErrorText(connection);
    }
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return EStoreError(text, state != nullptr ? state : "");
}

// The seconds of the connection's connect_timeout (the caller's, or ours).
std::chrono::seconds ConnectTimeoutOf(PGconn* connection) {
    std::chrono::seconds timeout{10};
    PQconninfoOption* options = PQconninfo(connection);
    for (const PQconninfoOption* option = options; option && option->keyword; ++option) {
        if (std::string_view(option->keyword) == "connect_timeout" && option->val != nullptr) {
            // As the client library reads it: below 2 s is 2 s, 0 is no limit.
            const long seconds = std::strtol(option->val, nullptr, 10);
            timeout = seconds <= 0 ? std::chrono::hours(24 * 365)
                                   : std::chrono::seconds(std::max(seconds, 2L));
        }
    }
    PQconninfoFree(options);
    return timeout;
}

} // namespace

struct TPgConnection::TImpl {
    PGconn* Connection = nullptr;
    TConnectionLimits Limits;
    bool Broken = false; // a wait failed: the protocol's state is unknown

    [[noreturn]] void GiveUp(const std::string& why) {
        Broken = true;
        throw EStoreError(why);
    }

    // Waits until the socket is ready for events, at most until deadline.
    void Wait(short events, Clock::time_point deadline, const char* silence) {
        for (;;) {
            if (Limits.Abandon != nullptr && *Limits.Abandon) {
                GiveUp("sending stopped");
            }
            const Clock::time_point now = Clock::now();
            if (now >= deadline) {
                GiveUp(silence);
            }
            pollfd socket{PQsocket(Connection), events, 0};
            const auto slice = std::min<Clock::duration>(deadline - now, AbandonCheck);
            const int ready = ::poll(
                &socket, 1,
                static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count()));
            if (ready > 0) {
                return;
            }
            if (ready < 0 && errno != EINTR) {
                GiveUp("cannot wait for the store: " + std::string(std::strerror(errno)));
            }
        }
    }

    Clock::time_point SilenceDeadline() const { return Clock::now() + Limits.SilenceTimeout; }

    static constexpr const char* Silent = "the store did not answer in time";

    void Connect(const std::string& url) {
        // The defaults come first so that the caller's string may override them;
        // the encoding comes last: the program sends its texts as UTF-8.
        static constexpr std::array<const char*, 10> keys{"connect_timeout",  "keepalives",
                                                          "keepalives_idle",  "keepalives_interval",
                                                          "keepalives_count", "tcp_user_timeout",
                                                          "application_name", "dbname",
                                                          "client_encoding",  nullptr};
        const std::array<const char*, 10> values{"10",    "1",        "10",        "5",    "3",
                                                 "30000", "tallyvox", url.c_str(), "UTF8", nullptr};
        Connection = PQconnectStartParams(keys.data(), values.data(), 1);
        if (Connection == nullptr) {
            throw EStoreError("out of memory for a store connection");
        }
        if (PQstatus(Connection) == CONNECTION_BAD) {
            throw EStoreError(ErrorText(Connection));
        }
        const Clock::time_point deadline = Clock::now() + ConnectTimeoutOf(Connection);
        for (;;) {
            switch (PQconnectPoll(Connection)) {
            case PGRES_POLLING_OK:
                if (PQsetnonblocking(Connection, 1) != 0) {
                    throw EStoreError(ErrorText(Connection));
                }
                return;
            case PGRES_POLLING_FAILED:
                throw EStoreError(ErrorText(Connection));
            case PGRES_POLLING_WRITING:
                Wait(POLLOUT, deadline, "the store did not answer the connect in time");
                break;
            default:
                Wait(POLLIN, deadline, "the store did not answer the connect in time");
            }
        }
    }

    void CheckUsable() const {
        if (Broken) {
            throw EStoreError("the store's connection was given up");
        }
    }

    void Sent(int ok) {
        if (ok != 1) {
            throw EStoreError(ErrorText(Connection));
        }
        Flush();
    }

    // Sends what the client library holds for the server.
    void Flush() {
        for (int left; (left = PQflush(Connection)) != 0;) {
            if (left < 0) {
                GiveUp(ErrorText(Connection));
            }
            Wait(POLLIN | POLLOUT, SilenceDeadline(), Silent);
            Consume();
        }
    }

    void Consume() {
        if (PQconsumeInput(Connection) != 1) {
            GiveUp(ErrorText(Connection));
        }
    }

    // The statement's next result, or none once they are all read.
    TResult NextResult() {
        while (PQisBusy(Connection)) {
            Wait(POLLIN, SilenceDeadline(), Silent);
            Consume();
        }
        return TResult(PQgetResult(Connection));
    }

    // Reads the results to the end; the first error is thrown then. The last
    // result that is not an error.
    TResult Results() {
        TResult last;
        std::optional<EStoreError> error;
        for (TResult result = NextResult(); result; result = NextResult()) {
            const ExecStatusType status = PQresultStatus(result.get());
            if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT) {
                return result; // the copy's data follows; no more results until it ends
            }
            if (IsError(result.get())) {
                if (!error) {
                    error = ResultError(Connection, result.get());
                }
            } else {
                last = std::move(result);
            }
        }
        if (error) {
            throw *error;
        }
        return last;
    }

    void ExpectCopy(ExecStatusType expected) {
        const TResult result = Results();
        if (!result || PQresultStatus(result.get()) != expected) {
            throw EStoreError("the store did not start the copy");
        }
    }

    // Retries a copy call that found the client library's buffers full.
    template <typename Put> void PutCopy(Put put) {
        for (int done; (done = put()) != 1;) {
            if (done < 0) {
                GiveUp(ErrorText(Connection));
            }
            Wait(POLLOUT, SilenceDeadline(), Silent);
            Flush();
        }
    }
};

TPgConnection::TPgConnection(const std::string& url, TConnectionLimits limits)
    : Impl(std::make_unique<TImpl>()) {
    Impl->Limits = limits;
    try {
        Impl->Connect(url);
        // A statement whose client went away is ended by the server within
        // seconds (servers of version 14 on), not when it next writes: the
        // connection given up at a deadline then holds no lock that the next
        // attempt would wait for.
        if (PQserverVersion(Impl->Connection) >= 140000) {
            Execute("SET client_connection_check_interval = 5000");
        }
    } catch (const EStoreError&) {
        PQfinish(Impl->Connection);
        throw;
    }
}

// A statement in progress on a connection given up is dropped with the
// connection: the server ends it and rolls its transaction back once it sees
// the close. A cancel request would go the way the statement went, and wait as
// it did.
TPgConnection::~TPgConnection() {
    PQfinish(Impl->Connection);
}

void TPgConnection::Execute(const std::string& sql) {
    Impl->CheckUsable();
    Impl->Sent(PQsendQuery(Impl->Connection, sql.c_str()));
    Impl->Results();
}

std::vector<TRow> TPgConnection::Query(const std::string& sql, const std::vector<TParam>& params) {
    Impl->CheckUsable();
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (const TParam& param : params) {
        values.push_back(param.Value.c_str());
        lengths.push_back(static_cast<int>(param.Value.size()));
        formats.push_back(param.Binary ? 1 : 0);
    }
    Impl->Sent(PQsendQueryParams(Impl->Connection, sql.c_str(), static_cast<int>(params.size()),
                                 nullptr, values.data(), lengths.data(), formats.data(), 0));
    const TResult result = Impl->Results();
    std::vector<TRow> rows(result ? static_cast<std::size_t>(PQntuples(result.get())) : 0);
    const int columns = result ? PQnfields(result.get()) : 0;
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
    Impl->CheckUsable();
    Impl->Sent(PQsendQuery(Impl->Connection, copySql.c_str()));
    Impl->ExpectCopy(PGRES_COPY_IN);
    Impl->PutCopy([&] {
        return PQputCopyData(Impl->Connection, data.data(), static_cast<int>(data.size()));
    });
    Impl->PutCopy([&] { return PQputCopyEnd(Impl->Connection, nullptr); });
    Impl->Flush();
    Impl->Results();
}

void TPgConnection::CopyOut(const std::string& copySql,
                            const std::function<void(std::string_view)>& row) {
    Impl->CheckUsable();
    Impl->Sent(PQsendQuery(Impl->Connection, copySql.c_str()));
    Impl->ExpectCopy(PGRES_COPY_OUT);
    for (;;) {
        char* buffer = nullptr;
        const int size = PQgetCopyData(Impl->Connection, &buffer, 1);
        if (size > 0) {
            const std::unique_ptr<char, decltype(&PQfreemem)> owned(buffer, &PQfreemem);
            row(std::string_view(buffer, static_cast<std::size_t>(size)));
        } else if (size == 0) {
            Impl->Wait(POLLIN, Impl->SilenceDeadline(), TImpl::Silent);
            Impl->Consume();
        } else if (size == -1) {
            break;
        } else {
            Impl->GiveUp(ErrorText(Impl->Connection));
        }
    }
    Impl->Results();
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

} // namespace tallyvox::store
