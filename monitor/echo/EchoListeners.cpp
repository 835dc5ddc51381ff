#include "monitor/echo/EchoListeners.h"

void EchoListeners::pollingChanged(bool polling)
{
    for (EchoListener* listener : m_listeners)
        listener->pollingChanged(polling);
}

void EchoListeners::hostsShown(const ShownHosts& hosts)
{
    for (EchoListener* listener : m_listeners)
        listener->hostsShown(hosts);
}

void EchoListeners::echoSent(const QString& host, const SentEcho& echo)
{
    for (EchoListener* listener : m_listeners)
        listener->echoSent(host, echo);
}

void EchoListeners::tickSent()
{
    for (EchoListener* listener : m_listeners)
        listener->tickSent();
}

void EchoListeners::echoEnded(const EchoOutcome& outcome)
{
    for (EchoListener* listener : m_listeners)
        listener->echoEnded(outcome);
}
