#include "monitor/history/view/SpanBuckets.h"

#include <algorithm>

SpanBuckets::SpanBuckets(const HistorySpanRequest& request)
    : m_fromMs(request.fromMs)
    , m_toMs(std::max(request.fromMs, request.toMs))
    , m_bucketMs(std::max<qint64>(1, request.bucketMs))
    , m_builders(static_cast<std::size_t>((m_toMs - m_fromMs + m_bucketMs - 1) / m_bucketMs))
{
}

SummaryBuilder* SpanBuckets::at(qint64 atMs)
{
    if (atMs < m_fromMs || atMs >= m_toMs)
        return nullptr;
    return &m_builders[static_cast<std::size_t>((atMs - m_fromMs) / m_bucketMs)];
}

void SpanBuckets::addEcho(qint64 atMs, std::optional<int> rttMs, bool lost)
{
    if (SummaryBuilder* bucket = at(atMs)) {
        bucket->addEcho(rttMs, lost);
        m_total.addEcho(rttMs, lost);
    }
}

void SpanBuckets::addSummary(qint64 atMs, const HistorySummary& summary)
{
    if (SummaryBuilder* bucket = at(atMs)) {
        bucket->addSummary(summary);
        m_total.addSummary(summary);
    }
}

void SpanBuckets::takeInto(HistorySpan& span)
{
    span.buckets.clear();
    span.buckets.reserve(m_builders.size());
    for (SummaryBuilder& b : m_builders)
        span.buckets.push_back(b.take());
    span.total = m_total.take();
}
