#pragma once

#include "monitor/echo/Moment.h"
#include "monitor/echo/SentEcho.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

// What one desktop notification says: every change of host state within
// a second of the first.
struct HostStateNotice {
    int serial = 0;
    // The serial of an earlier notice that this one takes the place of; 0
    // for none.
    int replaces = 0;
    bool down = false;
    QString summary;
    QString body;
};

// Tells, per host text, when a host goes down (so many lost echoes in a
// row, in send order) and when it answers again, and gathers these
// changes into notices. Knows nothing of windows or buses.
class HostDownWatch {
public:
    static constexpr int DefaultThreshold = 3;
    static constexpr int MaxThreshold = 100;
    static constexpr qint64 GatheringMs = 1000;

    void setThreshold(int lostInARow) { m_threshold = lostInARow; }
    int threshold() const { return m_threshold; }

    // Counting starts afresh; echoes sent before count for nothing.
    void restart();
    void restart(const QString& host);

    void answered(const QString& host, const QString& description, const SentEcho& echo, std::uint32_t roundTripMs,
                  const Moment& now);
    void lost(const QString& host, const QString& description, const SentEcho& echo, const QString& status,
              const Moment& now);

    std::optional<QDateTime> downSince(const QString& host) const;

    // Milliseconds until the gathered changes are due; nothing when none wait.
    std::optional<qint64> dueIn(const Moment& now) const;
    std::optional<HostStateNotice> takeDue(const Moment& now);
    std::optional<HostStateNotice> takeAll();

private:
    struct Loss {
        Moment sentAt;
        QString status;
    };
    struct Host {
        // The first send order that counts: after the latest reply or restart.
        std::uint64_t firstCounted = 0;
        std::map<std::uint64_t, Loss> losses;
        bool down = false;
        Moment downSince;
        int downNotice = 0;
    };
    struct Change {
        QString name;
        QString host;
        bool down = false;
        // The body when told alone, and the line when told among others.
        QString body;
        QString line;
        int downNotice = 0;
    };

    Host& host(const QString& text);
    void change(Change&& change, const Moment& now);
    int replaceableNotice() const;
    HostStateNotice compose();

    int m_threshold = DefaultThreshold;
    std::uint64_t m_firstCounted = 0;
    std::map<QString, Host> m_hosts;
    std::vector<Change> m_changes;
    qint64 m_firstChangeAt = 0;
    int m_lastSerial = 0;
    std::set<int> m_replaced;
};
