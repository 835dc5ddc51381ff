#include "monitor/history/HistoryStore.h"

#include "monitor/history/HistoryConnection.h"
#include "monitor/history/HistoryOwnership.h"
#include "monitor/history/HistorySchema.h"
#include "monitor/history/HistorySummary.h"
#include "monitor/history/SqliteStatement.h"

#include <QDateTime>
#include <QFile>
#include <QSqlQuery>
#include <QVariant>

#include <limits>
#include <map>

using namespace HistorySchema;

struct HistoryStore::Statements {
    explicit Statements(HistoryConnection& c)
        : insertEcho(c, "INSERT OR IGNORE INTO raw(key, host, rtt_ms, outcome, note) VALUES(?, ?, ?, ?, ?)")
        , insertHost(c.prepare("INSERT OR IGNORE INTO hosts(name) VALUES(?)"))
        , selectHost(c.prepare("SELECT id FROM hosts WHERE name = ?"))
        , insertNote(c.prepare("INSERT OR IGNORE INTO notes(text) VALUES(?)"))
        , selectNote(c.prepare("SELECT id FROM notes WHERE text = ?"))
        , minuteRows(c.prepare("SELECT key, host, rtt_ms, outcome FROM raw WHERE key >= ? AND key < ?"))
        , putMinute(c.prepare("INSERT OR REPLACE INTO minutes(host, minute, echoes, lost, min_ms, median_ms, max_ms)"
                              " VALUES(?, ?, ?, ?, ?, ?, ?)"))
        , putState(c.prepare("INSERT OR REPLACE INTO state(name, value) VALUES(?, ?)"))
    {
        minuteRows.setForwardOnly(true);
    }

    SqliteStatement insertEcho;
    QSqlQuery insertHost;
    QSqlQuery selectHost;
    QSqlQuery insertNote;
    QSqlQuery selectNote;
    // Run once a minute: prepared once all the same, since preparing costs
    // more than a minute's rows of one host.
    QSqlQuery minuteRows;
    QSqlQuery putMinute;
    QSqlQuery putState;
};

HistoryStore::HistoryStore(QString path, Clock clock)
    : m_path(std::move(path))
    , m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentMSecsSinceEpoch))
    , m_files(m_path)
{
}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::open()
{
    close();
    try {
        try {
            openFile();
        } catch (const HistoryFailure& failure) {
            if (!failure.damaged())
                throw;
            close();
            moveAside();
            openFile();
        }
    } catch (const HistoryFailure&) {
        close();
        throw;
    }
}

void HistoryStore::close()
{
    m_statements.reset();
    m_connection.reset();
    forgetIds();
}

// Nothing is written before the file is known to be ours. The quick check
// reads every page once: the file is opened once a run, on the history's
// own thread, and a damaged page found now is cheaper than one found by a
// write.
void HistoryStore::openFile()
{
    m_files.refuseUnusual();
    m_connection = std::make_unique<HistoryConnection>(m_path, HistoryConnection::Mode::Write, m_busyMs);
    HistoryConnection& c = *m_connection;
    HistoryOwnership::check(c, HistoryOwnership::Purpose::Write);
    QSqlQuery check = c.prepare("PRAGMA quick_check");
    c.run(check);
    if (!check.next() || check.value(0).toString() != "ok")
        throw HistoryFailure(QString("The history \"%1\" is damaged").arg(m_path), HistoryFailure::Kind::Damaged);
    check.finish();
    QSqlQuery journal = c.prepare("PRAGMA journal_mode=WAL");
    c.run(journal);
    if (!journal.next() || journal.value(0).toString().compare("wal", Qt::CaseInsensitive) != 0)
        throw HistoryFailure(QString("The history \"%1\" cannot keep a write-ahead log").arg(m_path),
                             HistoryFailure::Kind::Passing);
    journal.finish();
    c.run("PRAGMA synchronous=NORMAL");
    c.beginWriting();
    for (const QString& statement : creation())
        c.run(statement);
    c.commit();
    m_statements = std::make_unique<Statements>(c);
    m_summarisedTo = readState("summarised_to", NotYet);
    m_prunedAtHour = 0;
    m_maintainedFor = NotYet;
    m_pruning.start(m_clock(), newestKept());
    m_files.remember();
}

// Beside the file, under a name that says what it was and when it was put
// there; its write-ahead log goes with it, since it belongs to that file.
void HistoryStore::moveAside()
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyyMMdd'T'HHmmss'Z'");
    const QString aside = m_path + ".damaged-" + stamp;
    QFile::remove(m_path + "-shm");
    if (QFile::exists(m_path + "-wal"))
        QFile::rename(m_path + "-wal", aside + "-wal");
    if (!QFile::rename(m_path, aside))
        throw HistoryFailure(QString("The history \"%1\" is damaged and cannot be moved aside").arg(m_path),
                             HistoryFailure::Kind::Passing);
    m_movedAside = aside;
}

void HistoryStore::forgetIds()
{
    m_hostIds.clear();
    m_noteIds.clear();
}

int HistoryStore::idOf(QHash<QString, int>& cache, QSqlQuery& insert, QSqlQuery& select, const QString& value)
{
    if (const auto found = cache.constFind(value); found != cache.cend())
        return *found;
    insert.bindValue(0, value);
    m_connection->run(insert);
    select.bindValue(0, value);
    m_connection->run(select);
    if (!select.next())
        throw HistoryFailure(QString("The history \"%1\" lost a name it had just written").arg(m_path),
                             HistoryFailure::Kind::Damaged);
    const int id = select.value(0).toInt();
    select.finish();
    cache.insert(value, id);
    return id;
}

// A batch is all or nothing: a failed one is rolled back whole and tried
// again later, and the names learnt within it are forgotten with it.
void HistoryStore::write(const HistoryBatch& batch)
{
    if (!m_connection)
        open();
    else if (!m_files.unchanged()) {
        open();
        m_reopened = true;
    }
    try {
        m_connection->beginWriting();
        for (const HistoryEcho& echo : batch)
            insertEcho(echo);
        m_connection->commit();
    } catch (const HistoryFailure&) {
        m_connection->rollback();
        forgetIds();
        throw;
    }
}

// Two echoes sent in one millisecond (one host in two slots, or a clock
// that stepped back) take the next free keys of that millisecond.
void HistoryStore::insertEcho(const HistoryEcho& echo)
{
    Statements& s = *m_statements;
    const int host = idOf(m_hostIds, s.insertHost, s.selectHost, echo.host);
    const auto note = echo.text.isEmpty() ? std::nullopt
                                          : std::optional<int>(idOf(m_noteIds, s.insertNote, s.selectNote, echo.text));
    const auto rtt = echo.rttMs == HistoryEcho::NoTime ? std::nullopt : std::optional<int>(echo.rttMs);
    const qint64 first = firstKeyAt(echo.atMs);
    s.insertEcho.bind(2, host);
    s.insertEcho.bind(3, rtt);
    s.insertEcho.bind(4, static_cast<int>(echo.outcome));
    s.insertEcho.bind(5, note);
    for (qint64 offset = host % KeysPerMs, tries = 0; tries < KeysPerMs; ++tries, offset = (offset + 1) % KeysPerMs) {
        s.insertEcho.bind(1, first + offset);
        if (s.insertEcho.run())
            break;
    }
    if (const qint64 minute = minuteOf(echo.atMs); m_summarisedTo != NotYet && minute < m_summarisedTo)
        m_lateMinutes.insert(minute);
}

void HistoryStore::maintain(Upkeep upkeep)
{
    if (!m_connection)
        open();
    // Summarising deletes nothing, and a minute summarised too early by a
    // clock that ran ahead is summarised again when its late echoes come.
    // At quit no more echoes of this run can come: the minute under way is
    // summarised too, and summarised again should the next run add to it.
    const qint64 wall = m_clock();
    const qint64 closed = upkeep == Upkeep::AtQuit ? minuteOf(wall) + 1 : minuteOf(wall - SettleMs);
    const qint64 now = m_pruning.now(wall);
    const qint64 rawCut = minuteOf(now - m_limits.rawMs);
    // Between the closing of two minutes there is nothing to do.
    if (closed == m_maintainedFor && m_lateMinutes.isEmpty())
        return;
    const qint64 summarisedBefore = m_summarisedTo;
    try {
        m_connection->beginWriting();
        if (m_summarisedTo == NotYet)
            m_summarisedTo = std::min(closed, oldestMinute());
        for (const qint64 minute : std::as_const(m_lateMinutes))
            if (minute >= rawCut)
                summarise(minute, minute + 1);
        if (m_summarisedTo < closed) {
            summarise(m_summarisedTo, closed);
            m_summarisedTo = closed;
            writeState("summarised_to", closed);
        }
        // The limits are hours and days: an hour's grace costs nothing,
        // and pruning each minute would cost more than the minute's rows.
        if (now / HistoryLimits::HourMs != m_prunedAtHour) {
            prune(now);
            m_prunedAtHour = now / HistoryLimits::HourMs;
        }
        m_connection->commit();
        m_lateMinutes.clear();
        m_maintainedFor = closed;
    } catch (const HistoryFailure&) {
        m_connection->rollback();
        m_summarisedTo = summarisedBefore;
        throw;
    }
}

// The rows come in time order, so a minute is done when the next begins.
void HistoryStore::summarise(qint64 fromMinute, qint64 toMinute)
{
    HistoryConnection& c = *m_connection;
    QSqlQuery& rows = m_statements->minuteRows;
    rows.bindValue(0, firstKeyAt(fromMinute * MinuteMs));
    rows.bindValue(1, firstKeyAt(toMinute * MinuteMs));
    c.run(rows);
    QSqlQuery& put = m_statements->putMinute;
    std::map<int, SummaryBuilder> hosts;
    qint64 minute = fromMinute;
    const auto flush = [&] {
        for (auto& [host, builder] : hosts) {
            if (builder.empty())
                continue;
            const HistorySummary s = builder.take();
            const auto optional = [](const std::optional<int>& v) { return v ? QVariant(*v) : QVariant(); };
            put.bindValue(0, host);
            put.bindValue(1, minute);
            put.bindValue(2, s.echoes);
            put.bindValue(3, s.lost);
            put.bindValue(4, optional(s.minMs));
            put.bindValue(5, optional(s.medianMs));
            put.bindValue(6, optional(s.maxMs));
            c.run(put);
        }
    };
    while (rows.next()) {
        const qint64 rowMinute = minuteOf(atMsOfKey(rows.value(0).toLongLong()));
        if (rowMinute != minute) {
            flush();
            minute = rowMinute;
        }
        const auto outcome = static_cast<HistoryEcho::Outcome>(rows.value(3).toInt());
        const QVariant rtt = rows.value(2);
        hosts[rows.value(1).toInt()].addEcho(rtt.isNull() ? std::nullopt : std::optional<int>(rtt.toInt()),
                                            outcome != HistoryEcho::Outcome::Reply);
    }
    rows.finish();
    flush();
}

// Raw echoes go only once their minute is summarised.
void HistoryStore::prune(qint64 nowMs)
{
    HistoryConnection& c = *m_connection;
    const qint64 rawCut = std::min(minuteOf(nowMs - m_limits.rawMs), m_summarisedTo);
    QSqlQuery raw = c.prepare("DELETE FROM raw WHERE key < ?");
    raw.bindValue(0, firstKeyAt(rawCut * MinuteMs));
    c.run(raw);
    QSqlQuery hosts = c.prepare("SELECT id FROM hosts");
    c.run(hosts);
    QSqlQuery minutes = c.prepare("DELETE FROM minutes WHERE host = ? AND minute < ?");
    const qint64 summaryCut = minuteOf(nowMs - m_limits.summaryMs);
    while (hosts.next()) {
        minutes.bindValue(0, hosts.value(0));
        minutes.bindValue(1, summaryCut);
        c.run(minutes);
    }
}

std::optional<qint64> HistoryStore::newestKept()
{
    QSqlQuery last = m_connection->prepare("SELECT max(key) FROM raw");
    m_connection->run(last);
    if (last.next() && !last.value(0).isNull())
        return atMsOfKey(last.value(0).toLongLong());
    if (m_summarisedTo != NotYet)
        return m_summarisedTo * MinuteMs;
    return std::nullopt;
}

void HistoryStore::setBusyMs(int ms)
{
    m_busyMs = ms;
    if (m_connection)
        m_connection->run(QString("PRAGMA busy_timeout = %1").arg(ms));
}

qint64 HistoryStore::oldestMinute()
{
    QSqlQuery first = m_connection->prepare("SELECT min(key) FROM raw");
    m_connection->run(first);
    return first.next() && !first.value(0).isNull() ? minuteOf(atMsOfKey(first.value(0).toLongLong()))
                                                    : std::numeric_limits<qint64>::max();
}

qint64 HistoryStore::readState(const char* name, qint64 fallback)
{
    QSqlQuery query = m_connection->prepare("SELECT value FROM state WHERE name = ?");
    query.bindValue(0, QString::fromLatin1(name));
    m_connection->run(query);
    return query.next() ? query.value(0).toLongLong() : fallback;
}

void HistoryStore::writeState(const char* name, qint64 value)
{
    QSqlQuery& query = m_statements->putState;
    query.bindValue(0, QString::fromLatin1(name));
    query.bindValue(1, value);
    m_connection->run(query);
}
