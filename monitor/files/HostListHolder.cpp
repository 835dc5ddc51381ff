#include "monitor/files/HostListHolder.h"

void HostListHolder::setLines(const QStringList& lines)
{
    if (lines == m_lines)
        return;
    m_lines = lines;
    emit linesChanged();
}

void HostListHolder::deleteLastLine()
{
    if (m_lines.isEmpty())
        return;
    m_lines.removeLast();
    emit linesChanged();
}
