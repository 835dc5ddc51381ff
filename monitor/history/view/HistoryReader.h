#pragma once

#include "monitor/history/view/HistoryQuery.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

class BackgroundThread;

// The view's reading thread: questions are posted to it, answers posted
// back to the asker's thread, so that the GUI thread never waits on the
// disk. It ends with its owner, which waits for the question in hand at
// most QuitWaitMs.
class HistoryReader : public QObject {
    Q_OBJECT

public:
    static constexpr int QuitWaitMs = 1000;
    using SpanAnswer = std::function<void(const HistorySpan&)>;
    // The CSV, or an error text.
    using CsvAnswer = std::function<void(const QByteArray& csv, const QString& error)>;

    explicit HistoryReader(const QString& path, QObject* owner);
    ~HistoryReader() override;

    void span(const HistorySpanRequest& request, SpanAnswer answer);
    void csv(const HistorySpanRequest& request, CsvAnswer answer);

private:
    QObject* m_owner;
    std::unique_ptr<BackgroundThread> m_thread;
    std::shared_ptr<HistoryQuery> m_query;
};
