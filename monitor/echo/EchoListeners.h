#pragma once

#include "monitor/echo/EchoListener.h"

#include <vector>

// The window's list of listeners, told in the order they were added: a
// listener that reads another's state (the tray, the spoken state and the
// metrics read the down-watch) is added after it.
class EchoListeners {
public:
    void add(EchoListener& listener) { m_listeners.push_back(&listener); }

    void pollingChanged(bool polling);
    void hostsShown(const ShownHosts& hosts);
    void echoSent(const QString& host, const SentEcho& echo);
    void tickSent();
    void echoEnded(const EchoOutcome& outcome);

private:
    std::vector<EchoListener*> m_listeners;
};
