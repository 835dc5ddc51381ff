#include "monitor/history/HistoryRecorder.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/UserDialogs.h"
#include "monitor/files/RecordsInUse.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/files/StrictInteger.h"
#include "monitor/history/HistoryEcho.h"
#include "monitor/history/HistoryWriter.h"
#include "monitor/threads/BackgroundThread.h"

#include <QApplication>
#include <QDir>

#include <stdexcept>

namespace {

// A stored age that is no number in its range is told, and the default
// serves: the history is an extra and must not end the start-up.
qint64 storedAge(const char* name, const QString& text, int fallback, int maximum)
{
    try {
        const std::int32_t n = StrictInteger::parse(text);
        if (n >= 1 && n <= maximum)
            return n;
    } catch (const std::runtime_error&) {
    }
    ErrorHandler::report(QString("The setting \"%1\" in %2: '%3' is not from 1 to %4; %5 is used")
                             .arg(name, SettingsStore::location(), text)
                             .arg(maximum)
                             .arg(fallback));
    return fallback;
}

}

HistoryRecorder::HistoryRecorder(QString folder, QObject* parent, HistoryStore::Clock clock)
    : QObject(parent)
    , m_path(QDir(folder).filePath(HistoryStore::FileName))
    , m_clock(std::move(clock))
{
    RecordsInUse::addHistory(m_path);
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(BatchMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &HistoryRecorder::flush);
}

// A disk that hangs holds the thread, not the quit: past QuitWaitMs the
// thread is left to the end of the process, and what it still holds is
// told, not dropped in silence.
HistoryRecorder::~HistoryRecorder()
{
    if (!m_thread)
        return;
    flush();
    if (m_thread->end([writer = m_writer] { writer->finish(); }, QuitWaitMs))
        return;
    if (const qint64 unwritten = *m_unwritten; unwritten > 0)
        ErrorHandler::tell(QString("The history \"%1\" could not keep the last %2 echoes before quitting: "
                                   "its disk or another program's lock did not let go within %3 s")
                               .arg(m_path)
                               .arg(unwritten)
                               .arg(QuitWaitMs / 1000.0));
}

std::vector<OptionItem> HistoryRecorder::optionItems()
{
    OptionItem keep = OptionItem::onOff("Keep &history", "Keephistory1", "keephistory", true,
                                        [this](bool on) { setKeeping(on); });
    keep.statusTip = QString("Keeps every echo in %1").arg(QDir::toNativeSeparators(m_path));
    const auto age = [this](const char* key, int fallback, int maximum, qint64 unitMs, qint64 HistoryLimits::*limit) {
        OptionItem item;
        item.key = key;
        item.byDefault = QString::number(fallback);
        item.apply = [this, key, fallback, maximum, unitMs, limit](const QString& value) {
            HistoryLimits limits = m_limits;
            limits.*limit = storedAge(key, value, fallback, maximum) * unitMs;
            setLimits(limits);
            return false;
        };
        return item;
    };
    return {keep, age("historyhours", 48, 24 * 366, HistoryLimits::HourMs, &HistoryLimits::rawMs),
            age("historydays", 90, 3660, HistoryLimits::DayMs, &HistoryLimits::summaryMs)};
}

void HistoryRecorder::echoEnded(const EchoOutcome& outcome)
{
    if (m_keeping && outcome.kind != EchoOutcome::Kind::NotSent)
        record(HistoryEcho::of(outcome));
}

void HistoryRecorder::setKeeping(bool on)
{
    m_keeping = on;
    if (!on)
        flush();
}

void HistoryRecorder::setLimits(const HistoryLimits& limits)
{
    m_limits = limits;
    if (m_thread)
        m_thread->post([writer = m_writer, limits] { writer->setLimits(limits); });
}

void HistoryRecorder::record(HistoryEcho echo)
{
    if (!m_keeping)
        return;
    if (m_batch.empty())
        m_batchTimer.start();
    m_batch.push_back(std::move(echo));
}

void HistoryRecorder::flush()
{
    m_batchTimer.stop();
    if (m_batch.empty())
        return;
    start();
    *m_unwritten += static_cast<qint64>(m_batch.size());
    m_thread->post([writer = m_writer, batch = std::move(m_batch)]() mutable { writer->take(std::move(batch)); });
    m_batch = HistoryBatch();
}

void HistoryRecorder::start()
{
    if (m_thread)
        return;
    m_writer = new HistoryWriter(m_path, m_clock, m_unwritten);
    m_writer->setLimits(m_limits);
    connect(m_writer, &HistoryWriter::troubled, this, [this](const QString& message) { tell(message, true); });
    connect(m_writer, &HistoryWriter::recovered, this, [this](const QString& message) { tell(message, false); });
    m_thread = std::make_unique<BackgroundThread>("history", m_writer, QThread::LowPriority);
}

// A box needs someone to read it: offscreen, standard error is all there is.
void HistoryRecorder::tell(const QString& message, bool withBox)
{
    ErrorHandler::tell(message);
    const QString platform = QGuiApplication::platformName();
    if (withBox && platform != "offscreen" && platform != "minimal")
        UserDialogs::active().showError(QApplication::activeWindow(), message);
}
