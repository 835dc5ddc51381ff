#include "monitor/files/LogFileOutage.h"

#include <QDir>

#include <utility>

QString LogFileOutage::written(const QString& path)
{
    if (m_lost == 0)
        return {};
    const qint64 lost = std::exchange(m_lost, 0);
    return QString("the log file %1 is written again; %2 record%3 lost")
        .arg(QDir::toNativeSeparators(path))
        .arg(lost)
        .arg(lost == 1 ? " was" : "s were");
}
