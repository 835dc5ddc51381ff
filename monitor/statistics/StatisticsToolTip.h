#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class EchoStatistics;

// The tooltip of a slot's graph: the host and its description over the
// statistics of its last echoes. It is made only when it is shown.
class StatisticsToolTip {
public:
    // Empty for an empty slot, which shows no tooltip. A host that is down
    // says since when, above its statistics.
    static QString text(const QString& host, const QString& description, const EchoStatistics& statistics,
                        const std::optional<QDateTime>& downSince = std::nullopt);
};
