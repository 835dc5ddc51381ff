#pragma once

#include "monitor/alerts/HostDownWatch.h"
#include "monitor/controls/OptionItem.h"
#include "monitor/echo/EchoListener.h"
#include "monitor/metrics/MetricsFileWriter.h"
#include "monitor/metrics/MetricsText.h"

#include <QObject>
#include <QString>

#include <map>
#include <vector>

class QWidget;

// Counts every host's echoes from their typed outcomes and keeps the
// metrics file of them, replaced once per tick. It counts only while the
// file is kept, from the first echo sent after the file was chosen, so a
// run without it pays one test per echo. One host text is one host,
// however many slots show it: each slot sends its own echo, and all of
// them are counted on that host's one series, whose description is the
// first non-empty one in slot order (as the down-watch names it). A host
// that no slot shows any more leaves the file; shown again, it starts
// from zero, which Prometheus takes as a counter reset.
class EchoMetrics : public QObject, public EchoListener {
    Q_OBJECT

public:
    using ShownHost = ::ShownHost;

    explicit EchoMetrics(const HostDownWatch& watch, QObject* parent = nullptr);

    // "Write metrics file...": checked, it stops the file and removes it;
    // unchecked, it asks where to write it, first in node_exporter's
    // folder where there is one, else in the given folder.
    OptionItem optionItem(QWidget* dialogParent, const QString& folder);

    // An empty path ends the file and removes it; another starts counting
    // afresh.
    void setPath(const QString& path);
    QString path() const { return m_writer.path(); }
    bool on() const { return !path().isEmpty(); }

    void echoSent(const QString& host, const SentEcho& echo) override;
    void echoEnded(const EchoOutcome& outcome) override;
    void hostsShown(const ShownHosts& hosts) override { m_shown = hosts; }
    void tickSent() override { tick(m_shown); }
    // With the hosts shown, in slot order.
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
    ShownHosts m_shown;
    bool m_counting = false;
    // Echoes sent before it were sent before the file was chosen.
    std::uint64_t m_firstSequence = 0;
};
