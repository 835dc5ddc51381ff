#pragma once

#include "monitor/history/HistoryEcho.h"

#include <QString>
#include <QStringList>

// The rows a query gives on a connection of the test's own, each as its
// values joined by '|' (NULL as an empty value); a failed query gives one
// row that says why.
QStringList historyRows(const QString& path, const QString& query);

// One echo of host at atMs: a reply in rttMs, or, with rttMs negative,
// a time-out.
HistoryEcho historyEcho(const QString& host, qint64 atMs, int rttMs);
