#pragma once

#include "monitor/history/HistoryEcho.h"
#include "monitor/history/view/HistorySpan.h"

#include <QString>

#include <functional>
#include <memory>

class HistoryConnection;

// Reads the history database on a connection of its own, read only: the
// buckets the view shows and the rows an export writes. It blocks on the
// disk, so it runs on a thread of the view's, never the GUI thread.
// Failures throw HistoryFailure.
class HistoryQuery {
public:
    struct MinuteRow {
        qint64 atMs;
        HistorySummary summary;
    };

    explicit HistoryQuery(QString path);
    ~HistoryQuery();

    HistorySpan span(const HistorySpanRequest& request);
    // A span's rows in time order: every echo where each is still kept,
    // else one row per minute summary (the latest minutes summarised here
    // from their echoes).
    void rows(const HistorySpanRequest& request, const std::function<void(const HistoryEcho&)>& echo,
              const std::function<void(const MinuteRow&)>& minute);

private:
    struct Bounds {
        qint64 rawFromMs;      // the echoes from here on are read one by one
        bool perEcho;
    };
    void open();
    Bounds bounds(int host, const HistorySpanRequest& request, bool forBuckets);
    int hostId(const QString& host);
    std::optional<qint64> newestAfter(int host, qint64 atMs);
    void readMinutes(int host, qint64 fromMs, qint64 toMs, const std::function<void(const MinuteRow&)>& take);
    void readEchoes(int host, qint64 fromMs, qint64 toMs, const std::function<void(const HistoryEcho&)>& take);

    QString m_path;
    std::unique_ptr<HistoryConnection> m_connection;
};
