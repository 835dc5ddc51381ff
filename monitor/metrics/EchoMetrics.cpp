#include "monitor/metrics/EchoMetrics.h"

#include "monitor/controls/UserDialogs.h"
#include "monitor/files/WholeFileSave.h"

#include <QFileInfo>

#include <set>
#include <stdexcept>

namespace {

// Where Debian's node_exporter reads its textfile collector's files.
const QString CollectorFolder = "/var/lib/prometheus/node-exporter";

}

EchoMetrics::EchoMetrics(const HostDownWatch& watch, QObject* parent)
    : QObject(parent)
    , m_watch(watch)
{
    connect(&m_writer, &MetricsFileWriter::news, this, &EchoMetrics::news);
}

// A missing or unusable stored file is no reason to stop the start-up: the
// writer tells on standard error why it cannot write, once.
OptionItem EchoMetrics::optionItem(QWidget* dialogParent, const QString& folder)
{
    OptionItem item;
    item.text = "Write &metrics file...";
    item.objectName = "Writemetrics1";
    item.checkable = true;
    item.key = "metricsfile";
    item.apply = [this](const QString& path) {
        setPath(path);
        return on();
    };
    item.click = [this, dialogParent, folder](bool) -> std::optional<QString> {
        if (on())
            return QString();
        const QString start = QFileInfo(CollectorFolder).isDir() ? CollectorFolder : folder;
        const QString path = UserDialogs::active().saveFileName(dialogParent, start, "quorvane.prom",
                                                                "Prometheus metrics (*.prom);;All files (*)");
        if (path.isEmpty())
            return std::nullopt;
        const QString failure = "The metrics file cannot be written to";
        WholeFileSave::refuseIfNotRegular(path, failure);
        if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
            throw std::runtime_error(
                QString("%1 \"%2\": its folder is not writable").arg(failure, path).toStdString());
        return path;
    };
    return item;
}

void EchoMetrics::setPath(const QString& path)
{
    if (path == m_writer.path())
        return;
    m_writer.setPath(path);
    m_hosts.clear();
    m_counting = false;
}

void EchoMetrics::echoSent(const QString& host, const SentEcho& echo)
{
    if (!on())
        return;
    if (!m_counting) {
        m_counting = true;
        m_firstSequence = echo.sequence;
    }
    ++m_hosts[host].requests;
}

void EchoMetrics::echoEnded(const EchoOutcome& outcome)
{
    if (!m_counting || outcome.sent.sequence < m_firstSequence)
        return;
    const auto found = m_hosts.find(outcome.host);
    if (found == m_hosts.end())
        return;
    // An echo that could not be sent was never a request, nor the host's loss.
    if (outcome.kind == EchoOutcome::Kind::NotSent && found->second.requests > 0)
        --found->second.requests;
    else if (outcome.kind == EchoOutcome::Kind::Reply)
        found->second.reply(outcome.roundTripMs);
    else
        ++found->second.lost;
}

void EchoMetrics::tick(const std::vector<ShownHost>& shown)
{
    if (!on())
        return;
    std::set<QString> kept;
    for (const ShownHost& s : shown)
        kept.insert(s.host);
    std::erase_if(m_hosts, [&kept](const auto& entry) { return !kept.contains(entry.first); });
    m_writer.write(text(shown));
}

QByteArray EchoMetrics::text(const std::vector<ShownHost>& shown)
{
    std::map<QString, QString> descriptions;
    for (const ShownHost& s : shown) {
        const auto [at, first] = descriptions.try_emplace(s.host, s.description);
        if (!first && at->second.isEmpty())
            at->second = s.description;
    }
    // A host shown but not yet counted is written with zeros; the others
    // are written from their counts, which are not copied.
    std::vector<HostMetrics> uncounted;
    uncounted.reserve(descriptions.size());
    std::vector<const HostMetrics*> hosts;
    hosts.reserve(descriptions.size());
    for (const auto& [host, description] : descriptions) {
        const auto counted = m_hosts.find(host);
        HostMetrics& h = counted == m_hosts.end() ? uncounted.emplace_back() : counted->second;
        // The labels are escaped again only when the description changes.
        if (h.labels.empty() || h.host != host || h.description != description) {
            h.host = host;
            h.description = description;
            h.labels = HostMetrics::labelsOf(host, description);
        }
        h.down = m_watch.downSince(host).has_value();
        hosts.push_back(&h);
    }
    return MetricsText::render(hosts);
}
