#include "monitor/history/view/HistoryView.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/UserDialogs.h"
#include "monitor/files/WholeFileSave.h"
#include "monitor/history/view/HistoryChart.h"
#include "monitor/history/view/HistoryReader.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIODevice>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

constexpr qint64 Hour = 3'600'000;

QString localText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString("d MMM yyyy HH:mm");
}

}

// Each span in about 150 columns, on bucket sizes that the minute
// summaries divide evenly.
const std::array<HistoryView::SpanRow, 4> HistoryView::Spans{{
    {"1 hour", Hour, 30'000},
    {"1 day", 24 * Hour, 10 * 60'000},
    {"1 week", 7 * 24 * Hour, Hour},
    {"90 days", 90 * 24 * Hour, 12 * Hour},
}};

HistoryView::HistoryView(const QString& databasePath, QWidget* parent, HistoryStore::Clock clock)
    : QWidget(parent, Qt::Window)
    , m_folder(QFileInfo(databasePath).absolutePath())
    , m_clock(clock ? std::move(clock) : HistoryStore::Clock(&QDateTime::currentMSecsSinceEpoch))
    , m_reader(new HistoryReader(databasePath, this))
{
    setObjectName("HistoryView");
    auto* spanLabel = new QLabel("&Span:", this);
    m_spanBox = new QComboBox(this);
    m_spanBox->setObjectName("spanBox");
    for (const SpanRow& row : Spans)
        m_spanBox->addItem(row.text);
    spanLabel->setBuddy(m_spanBox);
    m_export = new QPushButton("&Export CSV...", this);
    m_export->setObjectName("exportButton");
    m_chart = new HistoryChart(this);
    m_chart->setObjectName("historyChart");
    m_loss = new QLabel(this);
    m_loss->setObjectName("lossLabel");
    m_loss->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* keys = new QLabel("Wheel, + and −: zoom · Shift+wheel, ← and →: move · End: now", this);
    keys->setObjectName("keysLabel");

    auto* top = new QHBoxLayout;
    top->addWidget(spanLabel);
    top->addWidget(m_spanBox);
    top->addStretch();
    top->addWidget(m_export);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_loss);
    layout->addWidget(keys);
    setTabOrder(m_spanBox, m_chart);
    setTabOrder(m_chart, m_export);
    resize(720, 380);

    connect(m_spanBox, &QComboBox::activated, this, [this] { ask(); });
    connect(m_chart, &HistoryChart::zoomRequested, this, &HistoryView::zoom);
    connect(m_chart, &HistoryChart::scrollRequested, this, &HistoryView::scroll);
    connect(m_chart, &HistoryChart::latestRequested, this, &HistoryView::latest);
    connect(m_export, &QPushButton::clicked, this, [this] { ErrorHandler::run([this] { exportCsv(); }); });
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);
}

HistoryView::~HistoryView() = default;

void HistoryView::showHost(const QString& host, const QString& description)
{
    m_host = host;
    setWindowTitle(description.isEmpty() ? QString("History of %1").arg(host)
                                         : QString("History of %1 (%2)").arg(host, description));
    m_chart->setAccessibleName(QString("Round-trip times of %1").arg(host));
    m_spanBox->setCurrentIndex(0);
    m_newestAheadMs.reset();
    m_endMs = nowEnd();
    m_chart->setSpan({});
    ask();
    show();
    raise();
    activateWindow();
    m_chart->setFocus();
}

const HistoryView::SpanRow& HistoryView::shownRow() const
{
    return Spans[static_cast<std::size_t>(std::max(0, m_spanBox->currentIndex()))];
}

// Spans end on a whole bucket, so that a bucket's summary is the same
// whichever span shows it.
qint64 HistoryView::nowEnd() const
{
    const qint64 bucket = shownRow().bucketMs;
    return (m_clock() / bucket + 1) * bucket;
}

// Echoes stamped ahead of now (by a clock that ran ahead) are shown at
// their stamps: the span may be moved on to the newest of them.
qint64 HistoryView::latestEnd() const
{
    const qint64 bucket = shownRow().bucketMs;
    return std::max(nowEnd(), m_newestAheadMs ? (*m_newestAheadMs / bucket + 1) * bucket : nowEnd());
}

void HistoryView::ask()
{
    const SpanRow& row = shownRow();
    m_endMs = std::min(((m_endMs + row.bucketMs - 1) / row.bucketMs) * row.bucketMs, latestEnd());
    HistorySpanRequest request{++m_asked, m_host, m_endMs - row.spanMs, m_endMs, row.bucketMs};
    m_chart->setNotice("Reading the history...");
    m_reader->span(request, [this](const HistorySpan& span) { answered(span); });
}

void HistoryView::answered(const HistorySpan& span)
{
    m_answered = span.request.serial;
    if (span.newestAfterMs && *span.newestAfterMs > m_clock())
        m_newestAheadMs = std::max(m_newestAheadMs.value_or(*span.newestAfterMs), *span.newestAfterMs);
    if (span.request.serial != m_asked)
        return;
    m_chart->setSpan(span);
    const QString text = describe(span);
    m_loss->setText(text);
    m_chart->setAccessibleDescription(text);
}

QString HistoryView::describe(const HistorySpan& span) const
{
    const HistorySummary& t = span.total;
    const QString when = QString("%1 to %2").arg(localText(span.request.fromMs), localText(span.request.toMs));
    if (!span.error.isEmpty())
        return when + ": " + span.error;
    if (t.echoes == 0)
        return when + ": no echoes kept";
    QString text = QString("%1: lost %2 of %3 echoes (%4 %)")
                       .arg(when)
                       .arg(t.lost)
                       .arg(t.echoes)
                       .arg(QLocale::c().toString(100.0 * t.lost / t.echoes, 'f', 2));
    if (t.minMs)
        text += QString("; min %1 ms, median %2 ms, max %3 ms").arg(*t.minMs).arg(t.medianMs.value_or(0)).arg(*t.maxMs);
    return text;
}

void HistoryView::zoom(int steps)
{
    const int index = std::clamp(m_spanBox->currentIndex() - steps, 0, static_cast<int>(Spans.size()) - 1);
    if (index == m_spanBox->currentIndex())
        return;
    m_spanBox->setCurrentIndex(index);
    ask();
}

void HistoryView::scroll(int quarters)
{
    const SpanRow& row = shownRow();
    m_endMs += quarters * (row.spanMs / 4);
    ask();
}

void HistoryView::latest()
{
    m_endMs = nowEnd();
    ask();
}

void HistoryView::exportCsv()
{
    const HistorySpanRequest shown = m_chart->span().request;
    if (shown.host.isEmpty())
        return;
    const QString proposed = QString(shown.host).replace(QRegularExpression("[/\\\\:]"), "_") + "-history.csv";
    const QString path = UserDialogs::active().saveFileName(this, m_folder, proposed, "CSV files (*.csv)");
    if (path.isEmpty())
        return;
    m_reader->csv(shown, [path](const QByteArray& csv, const QString& error) {
        ErrorHandler::run([&] {
            if (!error.isEmpty())
                throw std::runtime_error(error.toStdString());
            WholeFileSave::save(path, "Cannot write the history to",
                                [&](QIODevice& file) { return file.write(csv) == csv.size(); });
        });
    });
}
