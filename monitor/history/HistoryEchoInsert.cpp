#include "monitor/history/HistoryEchoInsert.h"

#include "monitor/history/HistoryConnection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <sqlite3.h>

namespace {

// The connection's own handle, as Qt's SQLite driver hands it out.
sqlite3* handleOf(QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

}

HistoryEchoInsert::HistoryEchoInsert(HistoryConnection& connection)
    : m_connection(connection)
{
    sqlite3* database = handleOf(connection.database());
    if (!database)
        connection.fail("cannot prepare its insert", QSqlError("no SQLite handle", {}, QSqlError::ConnectionError));
    const char* sql = "INSERT OR IGNORE INTO raw(key, host, rtt_ms, outcome, note) VALUES(?, ?, ?, ?, ?)";
    if (const int code = sqlite3_prepare_v3(database, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
        code != SQLITE_OK)
        fail("cannot prepare its insert", code);
}

HistoryEchoInsert::~HistoryEchoInsert()
{
    sqlite3_finalize(m_statement);
}

bool HistoryEchoInsert::insert(qint64 key, int host, std::optional<int> rttMs, int outcome, std::optional<int> note)
{
    const auto bindOptional = [this](int index, const std::optional<int>& value) {
        return value ? sqlite3_bind_int(m_statement, index, *value) : sqlite3_bind_null(m_statement, index);
    };
    int code = sqlite3_bind_int64(m_statement, 1, key);
    if (code == SQLITE_OK)
        code = sqlite3_bind_int(m_statement, 2, host);
    if (code == SQLITE_OK)
        code = bindOptional(3, rttMs);
    if (code == SQLITE_OK)
        code = sqlite3_bind_int(m_statement, 4, outcome);
    if (code == SQLITE_OK)
        code = bindOptional(5, note);
    if (code != SQLITE_OK)
        fail("cannot bind an echo", code);
    code = sqlite3_step(m_statement);
    // The statement is reset before anything is thrown, so that it never
    // holds the transaction open.
    sqlite3_reset(m_statement);
    if (code != SQLITE_DONE)
        fail("cannot write an echo", code);
    return sqlite3_changes(sqlite3_db_handle(m_statement)) > 0;
}

// Told as the driver tells its own errors, with SQLite's code, so that a
// damaged file is recognised the same way.
void HistoryEchoInsert::fail(const char* what, int code)
{
    sqlite3* database = m_statement ? sqlite3_db_handle(m_statement) : handleOf(m_connection.database());
    const QString reason = QString::fromUtf8(database ? sqlite3_errmsg(database) : sqlite3_errstr(code));
    m_connection.fail(what, QSqlError(reason, reason, QSqlError::StatementError, QString::number(code)));
}
