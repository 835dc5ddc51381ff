#pragma once

#include <QString>
#include <QStringList>

#include <QtGlobal>

#include <array>

// The layout of history.sqlite. Users query the views `echoes` and
// `echo_minutes`; the tables under them are ours and may change with the
// schema version.
//
// An echo's row is keyed by its send time in UTC ms times 1024 plus a
// small number that keeps two echoes of one millisecond apart, so that the
// rows lie in time order in the table itself: no index is needed for a
// span, and rows are appended, which packs the pages full.
namespace HistorySchema {

inline constexpr int Version = 1;
inline constexpr qint64 KeysPerMs = 1024;
inline constexpr qint64 MinuteMs = 60'000;

inline qint64 firstKeyAt(qint64 atMs) { return atMs * KeysPerMs; }
// Floor division, so that times before 1970 keep their order too.
inline qint64 atMsOfKey(qint64 key) { return key >= 0 ? key / KeysPerMs : -((-key + KeysPerMs - 1) / KeysPerMs); }
inline qint64 minuteOf(qint64 atMs) { return atMs >= 0 ? atMs / MinuteMs : -((-atMs + MinuteMs - 1) / MinuteMs); }

// A table or view of ours, as made.
struct Object {
    const char* type;  // "TABLE" or "VIEW"
    const char* name;
    const char* rest;  // what follows the name
    QString definition() const;
};
const std::array<Object, 7>& objects();

QStringList creation();

}
