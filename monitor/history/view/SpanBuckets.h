#pragma once

#include "monitor/history/view/HistorySpan.h"

#include <vector>

// The buckets of one span being read. Each row goes to the bucket its time
// falls in; a row outside [fromMs, toMs) goes nowhere and counts in no
// total, whatever the file holds (rows past a moved span's end, rows
// stamped in the future, minutes older than its start).
class SpanBuckets {
public:
    explicit SpanBuckets(const HistorySpanRequest& request);

    void addEcho(qint64 atMs, std::optional<int> rttMs, bool lost);
    void addSummary(qint64 atMs, const HistorySummary& summary);
    // Fills the span's buckets and total, and starts afresh.
    void takeInto(HistorySpan& span);

private:
    SummaryBuilder* at(qint64 atMs);

    qint64 m_fromMs;
    qint64 m_toMs;
    qint64 m_bucketMs;
    std::vector<SummaryBuilder> m_builders;
    SummaryBuilder m_total;
};
