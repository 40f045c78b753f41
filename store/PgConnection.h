#pragma once
// The one place that talks to the PostgreSQL client library: a connection, plain
// statements, statements with parameters, and COPY in both directions. Texts go
// over the connection as Windows-1251 (the client encoding is set at connect).

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvox::store {

// The store refused, failed or could not be reached; what() says why, in the
// server's or the client library's words.
class EStoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One value of a statement's parameter: text, or bytes sent as they are.
struct TParam {
    std::string Value;
    bool Binary = false;
};

using TRow = std::vector<std::string>; // text cells; NULL reads as ""

class TPgConnection {
public:
    // url: a "postgresql://..." URI or "key=value ..." string. Throws EStoreError.
    explicit TPgConnection(const std::string& url);
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

    // Asks the server to cancel the statement in progress; any thread.
    void Cancel();

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

} // namespace tallyvox::store
