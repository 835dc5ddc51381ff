#pragma once

#include "monitor/alerts/HostDownWatch.h"
#include "monitor/echo/EchoOutcome.h"
#include "monitor/metrics/MetricsFileWriter.h"
#include "monitor/metrics/MetricsText.h"

#include <QObject>
#include <QString>

#include <map>
#include <vector>

// Counts every host's echoes from their typed outcomes and keeps the
// metrics file of them, replaced once per tick. It counts only while the
// file is kept, from the first echo sent after the file was chosen, so a
// run without it pays one test per echo. One host text is one host,
// however many slots show it: each slot sends its own echo, and all of
// them are counted on that host's one series, whose description is the
// first non-empty one in slot order (as the down-watch names it). A host
// that no slot shows any more leaves the file; shown again, it starts
// from zero, which Prometheus takes as a counter reset.
class EchoMetrics : public QObject {
    Q_OBJECT

public:
    struct ShownHost {
        QString host;
        QString description;
    };

    explicit EchoMetrics(const HostDownWatch& watch, QObject* parent = nullptr);

    // An empty path ends the file and removes it; another starts counting
    // afresh.
    void setPath(const QString& path);
    QString path() const { return m_writer.path(); }
    bool on() const { return !path().isEmpty(); }

    void sent(const QString& host, const SentEcho& echo);
    void ended(const EchoOutcome& outcome);
    // Once per tick, with every slot that has a host, in slot order.
    void tick(const std::vector<ShownHost>& shown);

    // The file's text for these hosts as counted so far, in the order of
    // their host texts.
    QByteArray text(const std::vector<ShownHost>& shown);

signals:
    // A failure to write the file, once per outage, and its end.
    void news(const QString& message);

private:
    const HostDownWatch& m_watch;
    MetricsFileWriter m_writer;
    std::map<QString, HostMetrics> m_hosts;
    bool m_counting = false;
    // Echoes sent before it were sent before the file was chosen.
    std::uint64_t m_firstSequence = 0;
};
