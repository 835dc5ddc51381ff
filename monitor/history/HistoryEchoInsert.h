#pragma once

#include <QtGlobal>

#include <optional>

class HistoryConnection;
struct sqlite3_stmt;

// The one statement run for every echo, prepared once on SQLite's own
// interface: Qt's binding names each value with a formatted string and a
// hash lookup, which cost more than SQLite's insert itself. It runs within
// the connection's transactions and is finalised before the connection
// closes.
class HistoryEchoInsert {
public:
    explicit HistoryEchoInsert(HistoryConnection& connection);
    ~HistoryEchoInsert();
    HistoryEchoInsert(const HistoryEchoInsert&) = delete;
    HistoryEchoInsert& operator=(const HistoryEchoInsert&) = delete;

    // False when a row of that key is there already; throws HistoryFailure
    // for anything else that stops the write.
    bool insert(qint64 key, int host, std::optional<int> rttMs, int outcome, std::optional<int> note);

private:
    [[noreturn]] void fail(const char* what, int code);

    HistoryConnection& m_connection;
    sqlite3_stmt* m_statement = nullptr;
};
