#pragma once

#include "monitor/echo/EchoOutcome.h"
#include "monitor/echo/ShownHost.h"

// Whatever follows the echoes beside the window's own slots (the down-watch,
// the tray, the history, the metrics, the spoken state): it is told what it
// needs and never reads the window or the ping worker.
class EchoListener {
public:
    virtual ~EchoListener() = default;

    // Polling started or stopped; listeners are told the state at start-up.
    virtual void pollingChanged(bool /*polling*/) {}
    // The hosts the slots show, with their descriptions and signal levels,
    // whenever the window changes them other than by an outcome, which
    // tells its own host's level.
    virtual void hostsShown(const ShownHosts& /*hosts*/) {}
    // One echo left for a host; every echo of a tick is told before the
    // tick's end.
    virtual void echoSent(const QString& /*host*/, const SentEcho& /*echo*/) {}
    virtual void tickSent() {}
    // After the slots took the outcome: its level is theirs.
    virtual void echoEnded(const EchoOutcome& /*outcome*/) {}
};
