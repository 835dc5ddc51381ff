#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What the metrics file tells of one host.
struct HostMetrics {
    // Upper bounds of the round-trip histogram's buckets in milliseconds,
    // from a LAN's 1 ms to the echo time-out of 5 s; +Inf follows them.
    static constexpr std::array<std::uint32_t, 12> BucketBoundsMs{1, 2, 5, 10, 25, 50, 100, 250, 500, 1000, 2500, 5000};

    QString host;
    QString description;
    std::uint64_t requests = 0;
    std::uint64_t replies = 0;
    std::uint64_t lost = 0;
    // The last reply's round trip; absent until the first reply.
    bool hasReply = false;
    std::uint32_t lastRttMs = 0;
    // Replies per bucket, not cumulative; the last counts those beyond 5 s.
    std::array<std::uint64_t, BucketBoundsMs.size() + 1> buckets{};
    std::uint64_t rttSumMs = 0;
    bool down = false;
    // host and description as the file's labels.
    std::string labels;

    // Each of the host's lines up to its value, made again only when the
    // labels change: the file is written at every tick, and the labels are
    // the longest part of every line.
    struct LineStarts {
        std::string labels;
        std::string requests, replies, lost, rtt, down, sum, count;
        std::array<std::string, BucketBoundsMs.size() + 1> buckets;
    };
    mutable LineStarts lineStarts;

    void reply(std::uint32_t rttMs);
    static std::string labelsOf(const QString& host, const QString& description);
};

// Prometheus' text exposition format (version 0.0.4) for node_exporter's
// textfile collector.
class MetricsText {
public:
    // Longer label values are cut here: a description of megabytes would
    // otherwise be written, read and stored once per host at every tick.
    static constexpr qsizetype MaxLabelLength = 1000;

    // The hosts in the file's order, their labels made.
    static QByteArray render(const std::vector<const HostMetrics*>& hosts);
    // A label value between its quotes: any control character but the line
    // feed spelled \xHH, which a reader might take for the line's end or
    // drop, then backslash, double quote and line feed escaped as the
    // format demands. Two texts that are not cut never give one value.
    static QByteArray labelValue(const QString& text);
};
