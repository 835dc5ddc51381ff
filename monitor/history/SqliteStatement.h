#pragma once

#include <QtGlobal>

#include <optional>

class HistoryConnection;
struct sqlite3_stmt;

// A statement the history runs for every batch or every echo, prepared once
// on SQLite's own interface: Qt's binding names each value with a formatted
// string and a hash lookup, and its transactions prepare their statement
// anew each time, which costs more than SQLite's work itself. It runs
// within the connection's transactions and must be finalised (destroyed)
// before the connection closes.
class SqliteStatement {
public:
    SqliteStatement(HistoryConnection& connection, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Values for the next run, numbered from 1; an empty one is NULL.
    void bind(int index, qint64 value);
    void bind(int index, std::optional<int> value);
    // Runs to its end, then is ready for the next values. Returns whether
    // it changed a row; throws HistoryFailure when it cannot run.
    bool run();

private:
    [[noreturn]] void fail(const char* what, int code);

    HistoryConnection& m_connection;
    sqlite3_stmt* m_statement = nullptr;
};
