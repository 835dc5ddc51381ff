#include "monitor/history/HistorySchema.h"

QStringList HistorySchema::creation()
{
    return {
        "CREATE TABLE IF NOT EXISTS hosts(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)",
        "CREATE TABLE IF NOT EXISTS notes(id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE)",
        // outcome: 0 reply, 1 timeout, 2 failure, 3 other-address.
        "CREATE TABLE IF NOT EXISTS raw(key INTEGER PRIMARY KEY, host INTEGER NOT NULL, rtt_ms INTEGER,"
        " outcome INTEGER NOT NULL, note INTEGER)",
        "CREATE TABLE IF NOT EXISTS minutes(host INTEGER NOT NULL, minute INTEGER NOT NULL,"
        " echoes INTEGER NOT NULL, lost INTEGER NOT NULL, min_ms INTEGER, median_ms INTEGER, max_ms INTEGER,"
        " PRIMARY KEY(host, minute)) WITHOUT ROWID",
        "CREATE TABLE IF NOT EXISTS state(name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID",
        "CREATE VIEW IF NOT EXISTS echoes AS SELECT hosts.name AS host, raw.key >> 10 AS at_ms,"
        " raw.rtt_ms AS rtt_ms,"
        " CASE raw.outcome WHEN 0 THEN 'reply' WHEN 1 THEN 'timeout' WHEN 2 THEN 'failure'"
        " ELSE 'other-address' END AS outcome,"
        " notes.text AS text"
        " FROM raw JOIN hosts ON hosts.id = raw.host LEFT JOIN notes ON notes.id = raw.note",
        "CREATE VIEW IF NOT EXISTS echo_minutes AS SELECT hosts.name AS host, minutes.minute * 60000 AS at_ms,"
        " echoes, lost, min_ms, median_ms, max_ms FROM minutes JOIN hosts ON hosts.id = minutes.host",
        QString("PRAGMA user_version = %1").arg(Version),
    };
}
