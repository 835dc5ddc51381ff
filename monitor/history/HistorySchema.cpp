#include "monitor/history/HistorySchema.h"

namespace {

// outcome: 0 reply, 1 timeout, 2 failure, 3 other-address.
constexpr std::array<HistorySchema::Object, 7> Objects{{
    {"TABLE", "hosts", "(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"},
    {"TABLE", "notes", "(id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE)"},
    {"TABLE", "raw",
     "(key INTEGER PRIMARY KEY, host INTEGER NOT NULL, rtt_ms INTEGER, outcome INTEGER NOT NULL, note INTEGER)"},
    {"TABLE", "minutes",
     "(host INTEGER NOT NULL, minute INTEGER NOT NULL, echoes INTEGER NOT NULL, lost INTEGER NOT NULL,"
     " min_ms INTEGER, median_ms INTEGER, max_ms INTEGER, PRIMARY KEY(host, minute)) WITHOUT ROWID"},
    {"TABLE", "state", "(name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID"},
    {"VIEW", "echoes",
     " AS SELECT hosts.name AS host, raw.key >> 10 AS at_ms, raw.rtt_ms AS rtt_ms,"
     " CASE raw.outcome WHEN 0 THEN 'reply' WHEN 1 THEN 'timeout' WHEN 2 THEN 'failure'"
     " ELSE 'other-address' END AS outcome, notes.text AS text"
     " FROM raw JOIN hosts ON hosts.id = raw.host LEFT JOIN notes ON notes.id = raw.note"},
    {"VIEW", "echo_minutes",
     " AS SELECT hosts.name AS host, minutes.minute * 60000 AS at_ms,"
     " echoes, lost, min_ms, median_ms, max_ms FROM minutes JOIN hosts ON hosts.id = minutes.host"},
}};

}

const std::array<HistorySchema::Object, 7>& HistorySchema::objects()
{
    return Objects;
}

// SQLite keeps a definition as it was made, less its "IF NOT EXISTS".
QString HistorySchema::Object::definition() const
{
    return QString("CREATE %1 %2%3").arg(type, name, rest);
}

QStringList HistorySchema::creation()
{
    QStringList statements;
    for (const Object& o : Objects)
        statements << QString("CREATE %1 IF NOT EXISTS %2%3").arg(o.type, o.name, o.rest);
    statements << QString("PRAGMA user_version = %1").arg(Version);
    return statements;
}
