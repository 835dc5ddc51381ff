#pragma once

#include "monitor/controls/OptionItem.h"
#include "monitor/echo/EchoListener.h"
#include "monitor/history/HistoryStore.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

class BackgroundThread;
class HistoryWriter;

// The window's side of the history: it gathers the echoes of five seconds
// and posts them to the history's thread (HistoryWriter), and never waits on
// it, but for at most QuitWaitMs at quit, to write the last batch. The
// thread is started by the first echo kept, so a run without history has
// none. Trouble is told on standard error and, with a display, in a box.
class HistoryRecorder : public QObject, public EchoListener {
    Q_OBJECT

public:
    // A transaction's commit costs more than a host's echoes of a second:
    // five seconds share one. What a crash can take is in the log file too,
    // and the view and quit post what was gathered first.
    static constexpr int BatchMs = 5000;
    // Long enough for the writer's last try to wait out another program's
    // lock (HistoryWriter::QuitBusyMs) and write.
    static constexpr int QuitWaitMs = 2500;

    explicit HistoryRecorder(QString folder, QObject* parent = nullptr, HistoryStore::Clock clock = {});
    ~HistoryRecorder() override;

    QString path() const { return m_path; }
    // "Keep history", on unless the user turned it off, and the two ages
    // it keeps, which have no item.
    std::vector<OptionItem> optionItems();
    // An echo that could not be sent left nothing on the network to keep;
    // its reason is in the logs.
    void echoEnded(const EchoOutcome& outcome) override;
    void setKeeping(bool on);
    bool keeping() const { return m_keeping; }
    void setLimits(const HistoryLimits& limits);
    const HistoryLimits& limits() const { return m_limits; }

    void record(HistoryEcho echo);
    // Posts what was gathered now rather than at the end of its second.
    void flush();

private:
    void start();
    void tell(const QString& message, bool withBox);

    QString m_path;
    HistoryStore::Clock m_clock;
    HistoryLimits m_limits;
    bool m_keeping = true;
    HistoryBatch m_batch;
    // Posted to the writer and neither written nor told lost by it yet.
    std::shared_ptr<std::atomic<qint64>> m_unwritten = std::make_shared<std::atomic<qint64>>(0);
    QTimer m_batchTimer;
    HistoryWriter* m_writer = nullptr;  // lives on m_thread
    std::unique_ptr<BackgroundThread> m_thread;
};
