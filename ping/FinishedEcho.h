#pragma once

#include "ping/EchoService.h"

#include <QObject>

// An echo that ended before it could be sent: its end is posted to the
// event loop, so that a caller never sees its completion run inside the
// call that started it. Destroying it first drops the posted end.
class FinishedEcho final : public EchoInFlight {
public:
    FinishedEcho(EchoFinished finished, std::uint32_t status, std::uint32_t count = 0)
    {
        QMetaObject::invokeMethod(
            &m_guard, [finished = std::move(finished), count, status] { finished(count, status); },
            Qt::QueuedConnection);
    }

private:
    QObject m_guard;
};
