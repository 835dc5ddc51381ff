#pragma once

#include "monitor/history/HistoryConnection.h"
#include "monitor/history/HistoryEcho.h"
#include "monitor/history/HistoryFiles.h"
#include "monitor/history/PruningClock.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <limits>
#include <optional>
#include <memory>
#include <utility>

class QSqlQuery;

// How long the history keeps what: every echo for rawMs, then one summary
// per host and minute up to summaryMs.
struct HistoryLimits {
    static constexpr qint64 HourMs = 3'600'000;
    static constexpr qint64 DayMs = 24 * HourMs;
    qint64 rawMs = 48 * HourMs;
    qint64 summaryMs = 90 * DayMs;
};

// Writes the history database: the echoes in one transaction per batch,
// each closed minute's summaries, and pruning past the limits. Used only on
// the thread that opened it; it blocks on the disk, so never the GUI thread.
// Failures throw HistoryFailure.
class HistoryStore {
public:
    using Clock = std::function<qint64()>;  // UTC ms
    static constexpr const char* FileName = "history.sqlite";
    // Echoes end up to their 5 s time-out after they were sent, and reach
    // the store a batch later: a minute is summarised once this has passed.
    static constexpr qint64 SettleMs = 15'000;

    explicit HistoryStore(QString path, Clock clock = {});
    ~HistoryStore();

    // Opens or creates the file. A damaged one is moved aside
    // (takeMovedAside() says where, once) and a new one started.
    void open();
    void close();
    bool isOpen() const { return m_connection != nullptr; }
    QString takeMovedAside() { return std::exchange(m_movedAside, QString()); }
    // Whether a write found the file moved, replaced or its write-ahead log
    // deleted under the open connection, and opened the file anew (once).
    bool takeReopened() { return std::exchange(m_reopened, false); }
    // How long each statement waits for another connection's lock.
    void setBusyMs(int ms);
    const QString& path() const { return m_path; }

    void setLimits(const HistoryLimits& limits) { m_limits = limits; }
    void write(const HistoryBatch& batch);
    // Summarises the minutes that have closed and prunes past the limits,
    // as of the clock (PruningClock says why pruning does not trust it).
    enum class Upkeep { Running, AtQuit };
    void maintain(Upkeep upkeep = Upkeep::Running);

private:
    void openFile();
    void moveAside();
    int idOf(QHash<QString, int>& cache, QSqlQuery& insert, QSqlQuery& select, const QString& value);
    void insertEcho(const HistoryEcho& echo);
    void summarise(qint64 fromMinute, qint64 toMinute);
    void prune(qint64 nowMs);
    qint64 oldestMinute();
    std::optional<qint64> newestKept();
    qint64 readState(const char* name, qint64 fallback);
    void writeState(const char* name, qint64 value);
    void forgetIds();

    QString m_path;
    Clock m_clock;
    HistoryFiles m_files;
    PruningClock m_pruning;
    int m_busyMs = HistoryConnection::DefaultBusyMs;
    bool m_reopened = false;
    HistoryLimits m_limits;
    std::unique_ptr<HistoryConnection> m_connection;
    struct Statements;
    std::unique_ptr<Statements> m_statements;
    QHash<QString, int> m_hostIds;
    QHash<QString, int> m_noteIds;
    // The first minute not yet summarised; a new file learns it from its
    // oldest echo at the first upkeep.
    static constexpr qint64 NotYet = std::numeric_limits<qint64>::min();
    qint64 m_summarisedTo = NotYet;
    QSet<qint64> m_lateMinutes;  // summarised before an echo of theirs came
    qint64 m_prunedAtHour = 0;
    qint64 m_maintainedFor = NotYet;  // the closed minute of the last upkeep
    QString m_movedAside;
};
