#pragma once

#include <optional>
#include <vector>

// Echoes, lost echoes and the spread of the replies' round-trip times over
// some span: one minute in the database, one bucket in the view.
struct HistorySummary {
    int echoes = 0;
    int lost = 0;
    // Absent when no reply came in the span.
    std::optional<int> minMs;
    std::optional<int> medianMs;
    std::optional<int> maxMs;
};

// Gathers echoes, or whole summaries, into one summary. A span made of
// summaries has the median of their medians, each counted once per reply
// it stands for: the true median is no longer known once minutes are all
// that is kept.
class SummaryBuilder {
public:
    void addEcho(std::optional<int> rttMs, bool lost);
    void addSummary(const HistorySummary& summary);
    bool empty() const { return m_summary.echoes == 0; }
    HistorySummary take();

private:
    HistorySummary m_summary;
    std::vector<int> m_times;
    std::vector<std::pair<int, int>> m_medians;  // median, replies it stands for
};
