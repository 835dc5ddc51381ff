#include "monitor/window/Unit1.h"

#include "monitor/alerts/HostDownAlerts.h"
#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/UserDialogs.h"
#include "monitor/files/WholeFileSave.h"
#include "monitor/metrics/EchoMetrics.h"
#include "monitor/window/Slot.h"

#include "widgets/zavTransLabel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <stdexcept>

namespace {

// Where Debian's node_exporter reads its textfile collector's files.
const QString CollectorFolder = "/var/lib/prometheus/node-exporter";

}

// After the down-watch's items, whose watch the metrics read.
void TForm1::buildMetricsItem(QMenu* options)
{
    m_metrics = new EchoMetrics(m_downAlerts->watch(), this);
    connect(m_metrics, &EchoMetrics::news, this, [](const QString& message) { ErrorHandler::tell(message); });
    Writemetrics1 = options->addAction("Write &metrics file...");
    Writemetrics1->setObjectName("Writemetrics1");
    Writemetrics1->setCheckable(true);
}

// A missing or unusable file is no reason to stop the start-up: the writer
// tells on standard error why it cannot write, once.
void TForm1::applyMetricsSetting()
{
    const auto path = m_settings.read("metricsfile");
    if (!path)
        storeSetting("metricsfile", "");
    m_metrics->setPath(path.value_or(""));
    Writemetrics1->setChecked(m_metrics->on());
}

// Checked, the item stops the file and removes it; unchecked, it asks
// where to write it.
void TForm1::Writemetrics1Click()
{
    if (m_metrics->on()) {
        m_metrics->setPath({});
        Writemetrics1->setChecked(false);
        storeSetting("metricsfile", "");
        return;
    }
    const QString last = m_settings.read("metricsfile").value_or("");
    const QString folder = !last.isEmpty()                     ? QFileInfo(last).absolutePath()
                           : QFileInfo(CollectorFolder).isDir() ? CollectorFolder
                                                                : m_programFolder;
    const QString path =
        UserDialogs::active().saveFileName(this, folder, "quorvane.prom", "Prometheus metrics (*.prom);;All files (*)");
    if (path.isEmpty())
        return;
    const QString failure = "The metrics file cannot be written to";
    WholeFileSave::refuseIfNotRegular(path, failure);
    if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
        throw std::runtime_error(QString("%1 \"%2\": its folder is not writable").arg(failure, path).toStdString());
    m_metrics->setPath(path);
    Writemetrics1->setChecked(true);
    storeSetting("metricsfile", path);
}

void TForm1::tickMetrics()
{
    if (!m_metrics->on())
        return;
    std::vector<EchoMetrics::ShownHost> shown;
    for (int n = 1; n <= SlotCount; ++n)
        if (!slot(n).host().isEmpty())
            shown.push_back({slot(n).host(), slot(n).descriptionLabel->Caption()});
    m_metrics->tick(shown);
}
