#include "monitor/metrics/MetricsText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace {

// Writes in place into one array, sized once and grown by doubling: the
// file is made at every tick, and a temporary text per piece, an append
// that checks and grows the array piece by piece, or a copy of the whole
// text for the writer would cost more than the rest of an echo's
// processing. finish() cuts the array to what was written.
class Out {
public:
    explicit Out(QByteArray& text)
        : m_text(text)
        , m_at(text.data())
        , m_end(m_at + text.size())
    {
    }
    template <std::size_t N>
    Out& operator<<(const char (&literal)[N])
    {
        append(literal, N - 1);
        return *this;
    }
    Out& operator<<(const char* piece)
    {
        append(piece, std::strlen(piece));
        return *this;
    }
    Out& operator<<(const std::string& piece)
    {
        append(piece.data(), piece.size());
        return *this;
    }
    Out& operator<<(std::uint64_t number)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        append(digits, static_cast<std::size_t>(end - digits));
        return *this;
    }
    void append(const char* piece, std::size_t length)
    {
        if (std::size_t(m_end - m_at) < length) {
            const qsizetype used = m_at - m_text.data();
            m_text.resize(std::max(2 * m_text.size(), used + qsizetype(length)));
            m_at = m_text.data() + used;
            m_end = m_text.data() + m_text.size();
        }
        std::memcpy(m_at, piece, length);
        m_at += length;
    }
    void finish() { m_text.truncate(m_at - m_text.data()); }

private:
    QByteArray& m_text;
    char* m_at;
    char* m_end;
};

// Milliseconds as seconds, exactly: a double would print 0.037 as
// 0.036999999999999998.
void seconds(Out& out, std::uint64_t ms)
{
    out << ms / 1000;
    const auto fraction = static_cast<unsigned>(ms % 1000);
    if (fraction == 0)
        return;
    const char digits[] = {'.', char('0' + fraction / 100), char('0' + fraction / 10 % 10), char('0' + fraction % 10)};
    std::size_t length = sizeof digits;
    while (digits[length - 1] == '0')
        --length;
    out.append(digits, length);
}

// The buckets' "le" values, written once.
const std::array<std::string, HostMetrics::BucketBoundsMs.size() + 1>& bucketBounds()
{
    static const auto bounds = [] {
        std::array<std::string, HostMetrics::BucketBoundsMs.size() + 1> texts;
        for (std::size_t i = 0; i < HostMetrics::BucketBoundsMs.size(); ++i) {
            QByteArray text;
            Out out(text);
            out << ",le=\"";
            seconds(out, HostMetrics::BucketBoundsMs[i]);
            out << "\"} ";
            out.finish();
            texts[i] = text.toStdString();
        }
        texts.back() = ",le=\"+Inf\"} ";
        return texts;
    }();
    return bounds;
}

const std::string Histogram = "quorvane_echo_round_trip_seconds";

const HostMetrics::LineStarts& lineStarts(const HostMetrics& host)
{
    HostMetrics::LineStarts& starts = host.lineStarts;
    if (starts.labels == host.labels && !starts.requests.empty())
        return starts;
    const std::string& l = host.labels;
    starts.labels = l;
    starts.requests = "quorvane_echo_requests_total{" + l + "} ";
    starts.replies = "quorvane_echo_replies_total{" + l + "} ";
    starts.lost = "quorvane_echo_lost_total{" + l + "} ";
    starts.rtt = "quorvane_echo_rtt_seconds{" + l + "} ";
    starts.down = "quorvane_host_down{" + l + "} ";
    starts.sum = Histogram + "_sum{" + l + "} ";
    starts.count = Histogram + "_count{" + l + "} ";
    for (std::size_t i = 0; i < starts.buckets.size(); ++i)
        starts.buckets[i] = Histogram + "_bucket{" + l + bucketBounds()[i];
    return starts;
}

using Hosts = std::vector<const HostMetrics*>;

// A family is written only with samples: its HELP and TYPE alone would tell
// a reader of a metric that has none.
template <typename Has, typename Samples>
void family(Out& out, const Hosts& hosts, const char* name, const char* type, const char* help, Has has,
            Samples samples)
{
    bool headed = false;
    for (const HostMetrics* host : hosts) {
        if (!has(*host))
            continue;
        if (!headed) {
            out << "# HELP " << name << " " << help << "\n# TYPE " << name << " " << type << "\n";
            headed = true;
        }
        samples(*host, lineStarts(*host));
    }
}

void counter(Out& out, const Hosts& hosts, const char* name, const char* help, std::uint64_t HostMetrics::*count,
             std::string HostMetrics::LineStarts::*start)
{
    family(out, hosts, name, "counter", help, [](const HostMetrics&) { return true; },
           [&](const HostMetrics& h, const HostMetrics::LineStarts& s) { out << s.*start << h.*count << "\n"; });
}

void histogram(Out& out, const HostMetrics& host, const HostMetrics::LineStarts& starts)
{
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < host.buckets.size(); ++i) {
        cumulative += host.buckets[i];
        out << starts.buckets[i] << cumulative << "\n";
    }
    out << starts.sum;
    seconds(out, host.rttSumMs);
    out << "\n" << starts.count << cumulative << "\n";
}

// Control characters other than the line feed spelled \xHH: a reader might
// take one for the line's end or drop it, and two hosts that differ only
// there must stay two series. A run of backslashes before such an escape or
// before an x is doubled, so that no text spells another's escape; every
// other backslash stays as it was.
QString spelledOut(const QString& text)
{
    QString spelled;
    spelled.reserve(text.size());
    qsizetype backslashes = 0;
    for (const QChar c : text) {
        const bool control = c.category() == QChar::Other_Control && c != '\n';
        if (control || c == 'x')
            spelled += QString(backslashes, '\\');
        backslashes = c == '\\' ? backslashes + 1 : 0;
        if (control)
            spelled += QString("\\x%1").arg(c.unicode(), 2, 16, QChar('0'));
        else
            spelled += c;
    }
    return spelled;
}

}

std::string HostMetrics::labelsOf(const QString& host, const QString& description)
{
    QByteArray text = "host=" + MetricsText::labelValue(host);
    if (!description.isEmpty())
        text += ",description=" + MetricsText::labelValue(description);
    return text.toStdString();
}

void HostMetrics::reply(std::uint32_t rttMs)
{
    ++replies;
    hasReply = true;
    lastRttMs = rttMs;
    rttSumMs += rttMs;
    std::size_t bucket = 0;
    while (bucket < BucketBoundsMs.size() && rttMs > BucketBoundsMs[bucket])
        ++bucket;
    ++buckets[bucket];
}

QByteArray MetricsText::labelValue(const QString& text)
{
    QString kept = text;
    if (kept.size() > MaxLabelLength) {
        // Never half a surrogate pair: that would not be UTF-8.
        const qsizetype cut = kept.at(MaxLabelLength - 1).isHighSurrogate() ? MaxLabelLength - 1 : MaxLabelLength;
        kept = kept.left(cut) + QChar(0x2026);
    }
    const QString spelled = spelledOut(kept);
    QString value;
    value.reserve(spelled.size() + 2);
    for (const QChar c : spelled) {
        if (c == '\\')
            value += QLatin1String("\\\\");
        else if (c == '"')
            value += QLatin1String("\\\"");
        else if (c == '\n')
            value += QLatin1String("\\n");
        else
            value += c;
    }
    // Whole text at once, so that surrogate pairs stay pairs; a lone one
    // becomes '?', never a byte that is no UTF-8.
    return '"' + value.toUtf8() + '"';
}

QByteArray MetricsText::render(const std::vector<const HostMetrics*>& hosts)
{
    qsizetype size = 2000;
    for (const HostMetrics* host : hosts)
        size += 20 * (qsizetype(host->labels.size()) + 70);
    QByteArray text(size, Qt::Uninitialized);
    Out out(text);
    using Starts = HostMetrics::LineStarts;
    counter(out, hosts, "quorvane_echo_requests_total", "Echoes sent to the host.", &HostMetrics::requests,
            &Starts::requests);
    counter(out, hosts, "quorvane_echo_replies_total", "Echoes the host answered.", &HostMetrics::replies,
            &Starts::replies);
    counter(out, hosts, "quorvane_echo_lost_total",
            "Echoes that got no reply from the host: time-outs, errors and replies from another address.",
            &HostMetrics::lost, &Starts::lost);
    family(out, hosts, "quorvane_echo_rtt_seconds", "gauge", "Round-trip time of the host's last reply.",
           [](const HostMetrics& h) { return h.hasReply; },
           [&out](const HostMetrics& h, const Starts& s) {
               out << s.rtt;
               seconds(out, h.lastRttMs);
               out << "\n";
           });
    family(out, hosts, Histogram.c_str(), "histogram", "Round-trip times of the host's replies.",
           [](const HostMetrics&) { return true; },
           [&out](const HostMetrics& h, const Starts& s) { histogram(out, h, s); });
    family(out, hosts, "quorvane_host_down", "gauge",
           "1 while the host counts as down (so many echoes lost in a row), else 0.",
           [](const HostMetrics&) { return true; },
           [&out](const HostMetrics& h, const Starts& s) { out << s.down << (h.down ? "1\n" : "0\n"); });
    out.finish();
    return text;
}
