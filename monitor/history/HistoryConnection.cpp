#include "monitor/history/HistoryConnection.h"

#include "monitor/history/SqliteStatement.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>

#include <sqlite3.h>
#include <unistd.h>

namespace {

QAtomicInteger<int> connections;

// SQLite's primary result codes that mean the file is no database of ours.
constexpr int SqliteBusy = 5;
constexpr int SqliteLocked = 6;
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

// SQLite says only that it cannot open the file; a folder that cannot be
// written (read-only, or another user's) is the common reason, and the one
// a user can mend.
QString cannotOpenToWrite(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::access(folder.constData(), W_OK) == 0)
        return "cannot open";
    return QString("cannot open, as its folder cannot be written (%1)").arg(qt_error_string(errno));
}

HistoryFailure::Kind kindOf(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok)
        return HistoryFailure::Kind::Passing;
    if (code == SqliteCorrupt || code == SqliteNotADatabase)
        return HistoryFailure::Kind::Damaged;
    if (code == SqliteBusy || code == SqliteLocked)
        return HistoryFailure::Kind::Busy;
    return HistoryFailure::Kind::Passing;
}

}

HistoryFailure::HistoryFailure(const QString& message, Kind kind)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
{
}

HistoryConnection::HistoryConnection(const QString& path, Mode mode, int busyMs)
    : m_path(path)
    , m_name(QString("quorvane-history-%1").arg(connections.fetchAndAddRelaxed(1)))
    , m_database(QSqlDatabase::addDatabase("QSQLITE", m_name))
{
    m_database.setDatabaseName(path);
    // A lock held by another copy of the program is waited for a little, on
    // this thread only; past that the batch stays for the next try.
    const QString busy = QString("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs);
    m_database.setConnectOptions(mode == Mode::Read ? busy + ";QSQLITE_OPEN_READONLY" : busy);
    if (!m_database.open())
        fail(mode == Mode::Write ? cannotOpenToWrite(path) : QString("cannot open"), m_database.lastError());
}

HistoryConnection::~HistoryConnection()
{
    m_begin.reset();
    m_commit.reset();
    m_rollback.reset();
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

sqlite3* HistoryConnection::handle()
{
    if (m_handle)
        return m_handle;
    const QVariant handle = m_database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        fail("cannot be written", QSqlError("Qt's driver gives no SQLite handle", {}, QSqlError::ConnectionError));
    QSqlQuery source = prepare("SELECT sqlite_source_id()");
    run(source);
    const QString theirs = source.next() ? source.value(0).toString() : QString();
    if (theirs != QString::fromLatin1(sqlite3_sourceid()))
        throw HistoryFailure(QString("The history \"%1\" cannot be written: the SQLite under Qt's driver (%2) is not "
                                     "the one this program calls (%3)")
                                 .arg(m_path, theirs, QString::fromLatin1(sqlite3_sourceid())),
                             HistoryFailure::Kind::Foreign);
    m_handle = *static_cast<sqlite3* const*>(handle.constData());
    return m_handle;
}

void HistoryConnection::run(const QString& statement)
{
    QSqlQuery query(m_database);
    if (!query.exec(statement))
        fail("cannot run \"" + statement.left(40) + "\"", query.lastError());
}

QSqlQuery HistoryConnection::prepare(const QString& statement)
{
    QSqlQuery query(m_database);
    if (!query.prepare(statement))
        fail("cannot prepare \"" + statement.left(40) + "\"", query.lastError());
    return query;
}

void HistoryConnection::run(QSqlQuery& query)
{
    if (!query.exec())
        fail("cannot run \"" + query.lastQuery().left(40) + "\"", query.lastError());
}

void HistoryConnection::beginWriting()
{
    if (!m_begin) {
        m_begin = std::make_unique<SqliteStatement>(*this, "BEGIN IMMEDIATE");
        m_commit = std::make_unique<SqliteStatement>(*this, "COMMIT");
        m_rollback = std::make_unique<SqliteStatement>(*this, "ROLLBACK");
    }
    m_begin->run();
}

void HistoryConnection::commit()
{
    m_commit->run();
}

// Nothing to undo is no failure: a failed COMMIT may have ended the
// transaction already.
void HistoryConnection::rollback()
{
    if (!m_rollback || sqlite3_get_autocommit(handle()))
        return;
    try {
        m_rollback->run();
    } catch (const HistoryFailure&) {
    }
}

void HistoryConnection::fail(const QString& what, const QSqlError& error) const
{
    const QString reason = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    throw HistoryFailure(QString("The history \"%1\" %2: %3").arg(m_path, what, reason), kindOf(error));
}
