#pragma once

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <stdexcept>

class QSqlQuery;
class SqliteStatement;
struct sqlite3;

// Why the history could not be read or written, and what to do about it.
class HistoryFailure : public std::runtime_error {
public:
    enum class Kind {
        Passing,  // a full disk, a folder that cannot be written: waited out
        Busy,     // another connection's lock: tried again within seconds
        Damaged,  // moved aside, and a new file started
        Foreign,  // not a file of ours to write: left as it is for the run
    };

    HistoryFailure(const QString& message, Kind kind);
    Kind kind() const { return m_kind; }
    bool damaged() const { return m_kind == Kind::Damaged; }

private:
    Kind m_kind;
};

// One SQLite connection of its own, used only on the thread that opened it
// and closed with its scope.
class HistoryConnection {
public:
    enum class Mode { Write, Read };
    static constexpr int DefaultBusyMs = 2000;

    // Waits up to busyMs for another connection's lock at each statement.
    HistoryConnection(const QString& path, Mode mode, int busyMs = DefaultBusyMs);
    ~HistoryConnection();
    HistoryConnection(const HistoryConnection&) = delete;
    HistoryConnection& operator=(const HistoryConnection&) = delete;

    QSqlDatabase& database() { return m_database; }
    // SQLite's own handle under Qt's driver, for statements run on SQLite's
    // interface. Throws unless the driver's SQLite is the one this program
    // calls: a handle of another copy of the library is not ours to use.
    sqlite3* handle();
    const QString& path() const { return m_path; }

    void run(const QString& statement);
    QSqlQuery prepare(const QString& statement);
    // Runs a prepared query; throws with what went wrong.
    void run(QSqlQuery& query);
    // Transactions are begun and ended here alone, on SQLite's interface,
    // so that no other layer's idea of an open transaction can undo ours. A
    // write transaction takes its lock at once, so that a lock held
    // elsewhere is waited for here rather than failing a later statement.
    void beginWriting();
    void commit();
    void rollback();

    [[noreturn]] void fail(const QString& what, const class QSqlError& error) const;

private:
    QString m_path;
    QString m_name;
    QSqlDatabase m_database;
    sqlite3* m_handle = nullptr;
    // Prepared at the first transaction, finalised before the close.
    std::unique_ptr<SqliteStatement> m_begin;
    std::unique_ptr<SqliteStatement> m_commit;
    std::unique_ptr<SqliteStatement> m_rollback;
};
