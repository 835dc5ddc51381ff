#pragma once

#include <QSqlDatabase>
#include <QString>

#include <stdexcept>

class QSqlQuery;

// Why the history could not be read or written. A damaged file is told
// apart: it is moved aside and a new one started, where any other failure
// (a full disk, a lock, a folder that cannot be written) is waited out.
class HistoryFailure : public std::runtime_error {
public:
    HistoryFailure(const QString& message, bool damaged);
    bool damaged() const { return m_damaged; }

private:
    bool m_damaged;
};

// One SQLite connection of its own, used only on the thread that opened it
// and closed with its scope.
class HistoryConnection {
public:
    enum class Mode { Write, Read };

    HistoryConnection(const QString& path, Mode mode);
    ~HistoryConnection();
    HistoryConnection(const HistoryConnection&) = delete;
    HistoryConnection& operator=(const HistoryConnection&) = delete;

    QSqlDatabase& database() { return m_database; }
    const QString& path() const { return m_path; }

    void run(const QString& statement);
    QSqlQuery prepare(const QString& statement);
    // Runs a prepared query; throws with what went wrong.
    void run(QSqlQuery& query);
    void begin();
    void commit();
    void rollback();

    [[noreturn]] void fail(const QString& what, const class QSqlError& error) const;

private:
    QString m_path;
    QString m_name;
    QSqlDatabase m_database;
};
