#pragma once

#include "monitor/history/HistorySummary.h"

#include <QMetaType>
#include <QString>

#include <optional>
#include <vector>

// A stretch of one host's history asked for: [fromMs, toMs) in buckets of
// bucketMs, all UTC ms.
struct HistorySpanRequest {
    int serial = 0;  // tells an answer from one asked for since
    QString host;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    qint64 bucketMs = 60'000;
};

// The answer: one summary per bucket, and the whole span's.
struct HistorySpan {
    HistorySpanRequest request;
    std::vector<HistorySummary> buckets;
    HistorySummary total;
    QString error;
    // The host's newest echo kept after the span's end, if any.
    std::optional<qint64> newestAfterMs;
};

Q_DECLARE_METATYPE(HistorySpan)
