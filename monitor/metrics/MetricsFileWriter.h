#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class BackgroundThread;
class MetricsFileWorker;

// Keeps one file replaced whole by the newest text it is handed, on a
// thread of its own: the GUI thread only hands over, and a slow or hung
// disk costs it nothing. A text handed over while the thread still writes
// the one before takes the place of any that waits, so that a stalled disk
// gathers no queue. The text is written beside the file and renamed onto
// it (a reader sees the old or the new file, never half of one); without
// fsync, since the next tick writes it anew anyway. A FIFO or device
// under the name is refused, as the window's saves refuse it.
class MetricsFileWriter : public QObject {
    Q_OBJECT

public:
    // At most this long, the end waits for a write in progress and the
    // file's removal; past it, the thread is left to the process's end.
    static constexpr int EndWaitMs = 500;

    MetricsFileWriter();
    // Removes the file, so that a reader stops taking the last values for
    // current ones.
    ~MetricsFileWriter() override;

    // The file to keep; an empty path removes the one kept before.
    void setPath(const QString& path);
    QString path() const { return m_path; }
    void write(const QByteArray& text);

signals:
    // The first failure of an outage and the first success after it, as a
    // one-line message, on the thread that created the writer.
    void news(const QString& message);

private:
    MetricsFileWorker& worker();
    void drainIf(bool wanted);

    MetricsFileWorker* m_worker = nullptr;  // lives on m_thread
    std::unique_ptr<BackgroundThread> m_thread;
    QString m_path;
};
