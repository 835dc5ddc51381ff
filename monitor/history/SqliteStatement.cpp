#include "monitor/history/SqliteStatement.h"

#include "monitor/history/HistoryConnection.h"

#include <QSqlError>
#include <QVariant>

#include <sqlite3.h>

SqliteStatement::SqliteStatement(HistoryConnection& connection, const char* sql)
    : m_connection(connection)
{
    if (const int code = sqlite3_prepare_v3(connection.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
        code != SQLITE_OK)
        fail("cannot prepare a statement", code);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bind(int index, qint64 value)
{
    if (const int code = sqlite3_bind_int64(m_statement, index, value); code != SQLITE_OK)
        fail("cannot bind a value", code);
}

void SqliteStatement::bind(int index, std::optional<int> value)
{
    const int code = value ? sqlite3_bind_int(m_statement, index, *value) : sqlite3_bind_null(m_statement, index);
    if (code != SQLITE_OK)
        fail("cannot bind a value", code);
}

bool SqliteStatement::run()
{
    const int code = sqlite3_step(m_statement);
    // Reset before anything is thrown, so that the statement never holds
    // the transaction open.
    sqlite3_reset(m_statement);
    if (code != SQLITE_DONE)
        fail("cannot write", code);
    return sqlite3_changes(sqlite3_db_handle(m_statement)) > 0;
}

// Told as the driver tells its own errors, with SQLite's code, so that a
// damaged file is recognised the same way.
void SqliteStatement::fail(const char* what, int code)
{
    sqlite3* database = m_statement ? sqlite3_db_handle(m_statement) : m_connection.handle();
    const QString reason = QString::fromUtf8(database ? sqlite3_errmsg(database) : sqlite3_errstr(code));
    m_connection.fail(what, QSqlError(reason, reason, QSqlError::StatementError, QString::number(code)));
}
