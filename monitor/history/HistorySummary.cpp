#include "monitor/history/HistorySummary.h"

#include <algorithm>

namespace {

void widen(HistorySummary& s, int lowMs, int highMs)
{
    s.minMs = s.minMs ? std::min(*s.minMs, lowMs) : lowMs;
    s.maxMs = s.maxMs ? std::max(*s.maxMs, highMs) : highMs;
}

}

void SummaryBuilder::addEcho(std::optional<int> rttMs, bool lost)
{
    ++m_summary.echoes;
    if (lost) {
        ++m_summary.lost;
        return;
    }
    if (!rttMs)
        return;
    widen(m_summary, *rttMs, *rttMs);
    m_times.push_back(*rttMs);
}

void SummaryBuilder::addSummary(const HistorySummary& summary)
{
    m_summary.echoes += summary.echoes;
    m_summary.lost += summary.lost;
    if (!summary.minMs || !summary.maxMs || !summary.medianMs)
        return;
    widen(m_summary, *summary.minMs, *summary.maxMs);
    m_medians.emplace_back(*summary.medianMs, std::max(1, summary.echoes - summary.lost));
}

// The lower middle of an even count: a time that was measured, in whole ms.
HistorySummary SummaryBuilder::take()
{
    HistorySummary done = m_summary;
    if (!m_medians.empty())
        for (const int t : m_times)
            m_medians.emplace_back(t, 1);
    if (m_medians.empty() && !m_times.empty()) {
        const auto middle = m_times.begin() + static_cast<long>((m_times.size() - 1) / 2);
        std::nth_element(m_times.begin(), middle, m_times.end());
        done.medianMs = *middle;
    } else if (!m_medians.empty()) {
        std::sort(m_medians.begin(), m_medians.end());
        long total = 0;
        for (const auto& m : m_medians)
            total += m.second;
        long seen = 0;
        for (const auto& m : m_medians) {
            seen += m.second;
            if (2 * seen >= total) {
                done.medianMs = m.first;
                break;
            }
        }
    }
    *this = SummaryBuilder();
    return done;
}
