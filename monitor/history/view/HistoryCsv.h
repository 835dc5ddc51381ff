#pragma once

#include "monitor/history/HistoryEcho.h"
#include "monitor/history/view/HistoryQuery.h"

#include <QByteArray>
#include <QString>

// The history's CSV export: a header row, then one row per echo or per
// minute summary, times as UTC ISO-8601 with milliseconds, lines ended by
// CR LF, fields quoted where they hold a comma, quote or line break. A text
// field a spreadsheet would take for a formula (one that starts with =, +,
// -, @, a tab or a carriage return) is preceded by a quote mark.
namespace HistoryCsv {

QByteArray echoHeader();
QByteArray echoRow(const QString& host, const HistoryEcho& echo);
QByteArray minuteHeader();
QByteArray minuteRow(const QString& host, const HistoryQuery::MinuteRow& row);

}
