#pragma once
// The one place that talks to the PostgreSQL client library: a connection, plain
// statements, statements with parameters, and COPY in both directions. Texts go
// over the connection as UTF-8 (the client encoding is set at connect). Every
// wait is on the connection's socket with a deadline, so a store that stops
// answering (a half-open connection, a server that hangs) fails the call instead
// of holding it, and a stop asked from another thread ends it at once.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvox::store {

// The store refused, failed or could not be reached; what() says why, in the
// server's or the client library's words, on one line. SqlState is the server's
// five-character code of the error ("" when the server gave none).
class EStoreError : public std::runtime_error {
public:
    explicit EStoreError(const std::string& message, std::string sqlState = "")
        : std::runtime_error(message), SqlState(std::move(sqlState)) {}
    std::string SqlState;
};

// One value of a statement's parameter: text, or bytes sent as they are.
struct TParam {
    std::string Value;
    bool Binary = false;
};

using TRow = std::vector<std::string>; // text cells; NULL reads as ""

struct TConnectionLimits {
    // The longest a statement may go without a byte from the server; then
    // EStoreError, and the connection is unusable. A connect is limited by the
    // url's connect_timeout (10 s unless it says otherwise).
    std::chrono::milliseconds SilenceTimeout{30000};
    // Set from any thread: the call waiting on the server ends with EStoreError
    // within a fraction of a second (the connection is unusable then).
    const std::atomic<bool>* Abandon = nullptr;
};

class TPgConnection {
public:
    // url: a "postgresql://..." URI or "key=value ..." string. The connection
    // uses TCP keepalives and a TCP user timeout, so a dead peer is noticed by the
    // system too; the url may set other values. Throws EStoreError.
    explicit TPgConnection(const std::string& url, TConnectionLimits limits = {});
    ~TPgConnection();
    TPgConnection(const TPgConnection&) = delete;
    TPgConnection& operator=(const TPgConnection&) = delete;

    // Runs statements without parameters (several may be given, ";"-separated).
    void Execute(const std::string& sql);
    // Runs one statement; the rows it returns, in text.
    std::vector<TRow> Query(const std::string& sql, const std::vector<TParam>& params = {});
    // COPY ... FROM STDIN: sends data (in the COPY text format) and ends the copy.
    void CopyIn(const std::string& copySql, std::string_view data);
    // COPY ... TO STDOUT: gives every row's bytes as the server sends them.
    void CopyOut(const std::string& copySql, const std::function<void(std::string_view)>& row);
    // Runs work between BEGIN and COMMIT; anything work throws rolls it back and
    // goes on to the caller.
    void Transaction(const std::function<void()>& work);
    // text as an SQL literal, quoted and escaped for this connection.
    std::string Literal(std::string_view text);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

} // namespace tallyvox::store
