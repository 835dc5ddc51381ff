#include "monitor/alerts/HostDownWatch.h"

#include <algorithm>

namespace {

QString clock(const QDateTime& when)
{
    return when.toString("HH:mm:ss");
}

QString twoDigits(qint64 n)
{
    return QString::number(n).rightJustified(2, '0');
}

QString duration(qint64 ms)
{
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    if (s < 60)
        return QString("%1 s").arg(s);
    if (s < 3600)
        return QString("%1 min %2 s").arg(s / 60).arg(twoDigits(s % 60));
    return QString("%1 h %2 min %3 s").arg(s / 3600).arg(twoDigits(s / 60 % 60)).arg(twoDigits(s % 60));
}

QString hosts(int n, const QString& state)
{
    return n == 1 ? "1 host is " + state : QString("%1 hosts are %2").arg(n).arg(state);
}

// The summary is plain text by the notification rules, yet some services
// read it as markup: a host text or description that such a service could
// take for markup stays out of it.
bool readsAsMarkup(const QString& text)
{
    return text.contains('<') || text.contains('>') || text.contains('&');
}

}

void HostDownWatch::restart()
{
    m_hosts.clear();
    m_firstCounted = SentEcho::following();
}

void HostDownWatch::restart(const QString& text)
{
    m_hosts[text] = Host{SentEcho::following(), {}, false, {}, 0};
}

HostDownWatch::Host& HostDownWatch::host(const QString& text)
{
    return m_hosts.try_emplace(text, Host{m_firstCounted, {}, false, {}, 0}).first->second;
}

// A reply tells about the echoes sent after it only: those sent before
// and still out can no longer make the host down.
void HostDownWatch::answered(const QString& text, const QString& description, const SentEcho& echo,
                             std::uint32_t roundTripMs, const Moment& now)
{
    Host& h = host(text);
    if (echo.sequence < h.firstCounted)
        return;
    h.firstCounted = echo.sequence + 1;
    h.losses.erase(h.losses.begin(), h.losses.upper_bound(echo.sequence));
    if (!h.down || static_cast<int>(h.losses.size()) >= m_threshold)
        return;
    h.down = false;
    const QString name = description.isEmpty() ? text : text + " (" + description + ")";
    const qint64 downMs = now.steadyMs - h.downSince.steadyMs;
    const QString after = QString("%1 ms after %2 down").arg(roundTripMs).arg(duration(downMs));
    change({name, text, false, "Answered in " + after, name + " is up again: answered in " + after, h.downNotice},
           now);
}

void HostDownWatch::lost(const QString& text, const QString& description, const SentEcho& echo,
                         const QString& status, const Moment& now)
{
    Host& h = host(text);
    if (echo.sequence < h.firstCounted)
        return;
    h.losses[echo.sequence] = {echo.at, status};
    // A host down for days keeps only what a threshold can ask for.
    if (h.losses.size() > static_cast<std::size_t>(MaxThreshold))
        h.losses.erase(h.losses.begin());
    if (h.down || static_cast<int>(h.losses.size()) < m_threshold)
        return;
    h.down = true;
    h.downSince = h.losses.begin()->second.sentAt;
    h.downNotice = 0;
    const QString name = description.isEmpty() ? text : text + " (" + description + ")";
    const auto count = h.losses.size();
    const QString since = QString("%1 %2 lost since %3").arg(count).arg(count == 1 ? "echo" : "echoes").arg(clock(h.downSince.wall));
    change({name, text, true, since + "\n" + status, name + " is down: " + since + ", " + status, 0}, now);
}

std::optional<QDateTime> HostDownWatch::downSince(const QString& text) const
{
    const auto found = m_hosts.find(text);
    if (found == m_hosts.end() || !found->second.down)
        return std::nullopt;
    return found->second.downSince.wall;
}

void HostDownWatch::change(Change&& c, const Moment& now)
{
    if (m_changes.empty())
        m_firstChangeAt = now.steadyMs;
    m_changes.push_back(std::move(c));
}

std::optional<qint64> HostDownWatch::dueIn(const Moment& now) const
{
    if (m_changes.empty())
        return std::nullopt;
    return std::max<qint64>(0, GatheringMs - (now.steadyMs - m_firstChangeAt));
}

std::optional<HostStateNotice> HostDownWatch::takeDue(const Moment& now)
{
    const auto wait = dueIn(now);
    if (!wait || *wait > 0)
        return std::nullopt;
    return compose();
}

std::optional<HostStateNotice> HostDownWatch::takeAll()
{
    if (m_changes.empty())
        return std::nullopt;
    return compose();
}

// An "up" notice takes the place of the latest "down" notice that told
// one of its hosts, once no host of that notice is down any more; a
// notice that still tells of a down host stays.
int HostDownWatch::replaceableNotice() const
{
    int chosen = 0;
    for (const Change& c : m_changes) {
        if (c.down || c.downNotice <= chosen || m_replaced.count(c.downNotice))
            continue;
        const bool stillDown = std::any_of(m_hosts.begin(), m_hosts.end(), [&c](const auto& entry) {
            return entry.second.down && entry.second.downNotice == c.downNotice;
        });
        if (!stillDown)
            chosen = c.downNotice;
    }
    return chosen;
}

HostStateNotice HostDownWatch::compose()
{
    HostStateNotice notice;
    notice.serial = ++m_lastSerial;
    notice.replaces = replaceableNotice();
    if (notice.replaces)
        m_replaced.insert(notice.replaces);
    const auto downs = std::count_if(m_changes.begin(), m_changes.end(), [](const Change& c) { return c.down; });
    const auto ups = static_cast<qsizetype>(m_changes.size()) - downs;
    notice.down = downs > 0;
    if (m_changes.size() == 1 && !readsAsMarkup(m_changes.front().name)) {
        const Change& c = m_changes.front();
        notice.summary = c.name + (c.down ? " is down" : " is up again");
        notice.body = c.body;
    } else {
        QStringList parts;
        if (downs)
            parts << hosts(static_cast<int>(downs), "down");
        if (ups)
            parts << hosts(static_cast<int>(ups), "up again");
        notice.summary = parts.join(", ");
        QStringList lines;
        for (const Change& c : m_changes)
            lines << c.line;
        notice.body = lines.join('\n');
    }
    for (const Change& c : m_changes) {
        auto found = m_hosts.find(c.host);
        if (c.down && found != m_hosts.end() && found->second.down)
            found->second.downNotice = notice.serial;
    }
    m_changes.clear();
    return notice;
}
