#include "monitor/history/view/HistoryQuery.h"

#include "monitor/history/HistoryConnection.h"
#include "monitor/history/HistoryFiles.h"
#include "monitor/history/HistoryOwnership.h"
#include "monitor/history/HistorySchema.h"
#include "monitor/history/view/SpanBuckets.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

using namespace HistorySchema;

namespace {

std::optional<int> optionalInt(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional<int>(value.toInt());
}

// Where the minutes give way to the echoes, inside the span: a span moved
// back before the oldest echo is read from its minutes alone.
qint64 within(const HistorySpanRequest& request, qint64 atMs)
{
    return std::clamp(atMs, request.fromMs, std::max(request.fromMs, request.toMs));
}

}

HistoryQuery::HistoryQuery(QString path)
    : m_path(std::move(path))
{
}

HistoryQuery::~HistoryQuery() = default;

// Opened at the first question, and again after a failure: the file may
// not be there yet, or may have been started anew since.
void HistoryQuery::open()
{
    if (m_connection)
        return;
    if (!QFileInfo::exists(m_path))
        throw HistoryFailure(QString("No history has been kept in \"%1\" yet").arg(m_path),
                             HistoryFailure::Kind::Passing);
    HistoryFiles(m_path).refuseUnusual();
    auto connection = std::make_unique<HistoryConnection>(m_path, HistoryConnection::Mode::Read);
    HistoryOwnership::check(*connection, HistoryOwnership::Purpose::Read);
    m_connection = std::move(connection);
}

int HistoryQuery::hostId(const QString& host)
{
    QSqlQuery query = m_connection->prepare("SELECT id FROM hosts WHERE name = ?");
    query.bindValue(0, host);
    m_connection->run(query);
    return query.next() ? query.value(0).toInt() : -1;
}

// Buckets of a minute or more are made from the minute summaries, as far
// as those reach; finer buckets from the echoes, as far back as they are
// kept. The rest comes from the other kind.
// A span is kept echo by echo when no minute of it is older than the
// oldest echo still kept.
HistoryQuery::Bounds HistoryQuery::bounds(int host, const HistorySpanRequest& request, bool forBuckets)
{
    QSqlQuery first = m_connection->prepare("SELECT min(key) FROM raw");
    m_connection->run(first);
    const qint64 oldestRaw = first.next() && !first.value(0).isNull()
                                 ? minuteOf(atMsOfKey(first.value(0).toLongLong())) * MinuteMs
                                 : request.toMs;
    if (forBuckets && request.bucketMs >= MinuteMs) {
        QSqlQuery state = m_connection->prepare("SELECT value FROM state WHERE name = 'summarised_to'");
        m_connection->run(state);
        const qint64 summarisedTo = state.next() ? state.value(0).toLongLong() * MinuteMs : oldestRaw;
        return {within(request, std::max(summarisedTo, oldestRaw)), false};
    }
    QSqlQuery older = m_connection->prepare("SELECT 1 FROM minutes WHERE host = ? AND minute >= ? AND minute < ? LIMIT 1");
    older.bindValue(0, host);
    older.bindValue(1, minuteOf(request.fromMs));
    older.bindValue(2, minuteOf(oldestRaw));
    m_connection->run(older);
    return {within(request, oldestRaw), !older.next()};
}

// Read from the newest row back, so that only the rows after the span are
// passed over.
std::optional<qint64> HistoryQuery::newestAfter(int host, qint64 atMs)
{
    QSqlQuery query = m_connection->prepare("SELECT key FROM raw WHERE key >= ? AND host = ? ORDER BY key DESC LIMIT 1");
    query.bindValue(0, firstKeyAt(atMs));
    query.bindValue(1, host);
    m_connection->run(query);
    return query.next() ? std::optional<qint64>(atMsOfKey(query.value(0).toLongLong())) : std::nullopt;
}

void HistoryQuery::readMinutes(int host, qint64 fromMs, qint64 toMs, const std::function<void(const MinuteRow&)>& take)
{
    if (fromMs >= toMs)
        return;
    QSqlQuery query = m_connection->prepare("SELECT minute, echoes, lost, min_ms, median_ms, max_ms FROM minutes"
                                            " WHERE host = ? AND minute >= ? AND minute < ? ORDER BY minute");
    query.setForwardOnly(true);
    query.bindValue(0, host);
    query.bindValue(1, minuteOf(fromMs + MinuteMs - 1));
    query.bindValue(2, minuteOf(toMs + MinuteMs - 1));
    m_connection->run(query);
    while (query.next())
        take({query.value(0).toLongLong() * MinuteMs,
              {query.value(1).toInt(), query.value(2).toInt(), optionalInt(query.value(3)),
               optionalInt(query.value(4)), optionalInt(query.value(5))}});
}

void HistoryQuery::readEchoes(int host, qint64 fromMs, qint64 toMs, const std::function<void(const HistoryEcho&)>& take)
{
    if (fromMs >= toMs)
        return;
    QSqlQuery query = m_connection->prepare("SELECT raw.key, raw.rtt_ms, raw.outcome, notes.text FROM raw"
                                            " LEFT JOIN notes ON notes.id = raw.note"
                                            " WHERE raw.key >= ? AND raw.key < ? AND raw.host = ? ORDER BY raw.key");
    query.setForwardOnly(true);
    query.bindValue(0, firstKeyAt(fromMs));
    query.bindValue(1, firstKeyAt(toMs));
    query.bindValue(2, host);
    m_connection->run(query);
    HistoryEcho echo;
    while (query.next()) {
        echo.atMs = atMsOfKey(query.value(0).toLongLong());
        echo.rttMs = query.value(1).isNull() ? HistoryEcho::NoTime : query.value(1).toInt();
        echo.outcome = static_cast<HistoryEcho::Outcome>(query.value(2).toInt());
        echo.text = query.value(3).toString();
        take(echo);
    }
}

HistorySpan HistoryQuery::span(const HistorySpanRequest& request)
{
    HistorySpan span{request, {}, {}, {}, {}};
    SpanBuckets buckets(request);
    try {
        open();
        const int host = hostId(request.host);
        if (host >= 0) {
            const Bounds b = bounds(host, request, true);
            readMinutes(host, request.fromMs, b.rawFromMs,
                        [&](const MinuteRow& row) { buckets.addSummary(row.atMs, row.summary); });
            readEchoes(host, b.rawFromMs, request.toMs, [&](const HistoryEcho& e) {
                buckets.addEcho(e.atMs, e.rttMs == HistoryEcho::NoTime ? std::nullopt : std::optional<int>(e.rttMs),
                                e.lost());
            });
            span.newestAfterMs = newestAfter(host, request.toMs);
        }
    } catch (const HistoryFailure& failure) {
        m_connection.reset();
        span.error = QString::fromStdString(failure.what());
    }
    buckets.takeInto(span);
    return span;
}

void HistoryQuery::rows(const HistorySpanRequest& request, const std::function<void(const HistoryEcho&)>& echo,
                        const std::function<void(const MinuteRow&)>& minute)
{
    try {
        open();
        const int host = hostId(request.host);
        if (host < 0)
            return;
        const Bounds b = bounds(host, request, false);
        if (b.perEcho) {
            readEchoes(host, request.fromMs, request.toMs, echo);
            return;
        }
        readMinutes(host, request.fromMs, b.rawFromMs, minute);
        std::map<qint64, SummaryBuilder> recent;
        readEchoes(host, b.rawFromMs, request.toMs, [&](const HistoryEcho& e) {
            recent[minuteOf(e.atMs)].addEcho(e.rttMs == HistoryEcho::NoTime ? std::nullopt : std::optional<int>(e.rttMs),
                                             e.lost());
        });
        for (auto& [m, builder] : recent)
            minute({m * MinuteMs, builder.take()});
    } catch (const HistoryFailure&) {
        m_connection.reset();
        throw;
    }
}
