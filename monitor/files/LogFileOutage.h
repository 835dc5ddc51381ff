#pragma once

#include <QString>

// The records an outage of the log file (a full disk, a vanished folder)
// costs, so that the user hears once when it begins and once when it ends
// instead of once per record.
class LogFileOutage {
public:
    // One record lost; true for the first of an outage.
    bool lost() { return m_lost++ == 0; }
    // One record written to path: the line that ends an outage, or an
    // empty text when there was none.
    QString written(const QString& path);

private:
    qint64 m_lost = 0;
};
