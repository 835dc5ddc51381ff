#include "ping/PingThrd.h"

#include "ping/Icmp.h"
#include "ping/Resolver.h"
#include "ping/WorkerRegistry.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>

// The hand-over of the outcome between the worker and the creating thread.
// The creating thread may itself be waiting for the worker to end (at
// shutdown), so the worker's wait must be one that a stop request can cut
// short; a plain blocking queued call would deadlock there.
struct TPingThread::Handover {
    enum class State { Pending, Done, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Pending;
};

namespace {

QString trimmedHost(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= 32)
        ++first;
    while (last > first && text[last - 1].unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

}

TPingThread::TPingThread(QObject* parent)
    : QThread(parent)
    , m_handover(std::make_shared<Handover>())
{
}

TPingThread::~TPingThread()
{
    WorkerRegistry::workerEnded(this);
}

void TPingThread::Resume()
{
    if (FreeOnTerminate)
        connect(this, &QThread::finished, this, &QObject::deleteLater);
    start();
}

void TPingThread::RequestStop()
{
    m_stop.raise();
    const std::lock_guard lock(m_handover->mutex);
    if (m_handover->state == Handover::State::Pending)
        m_handover->state = Handover::State::Abandoned;
    m_handover->changed.notify_all();
}

void TPingThread::run()
{
    {
        const StopSignal::Scope scope(m_stop);
        try {
            Execute();
        } catch (const std::exception& e) {
            ConstructionError = QString::fromUtf8(e.what());
        }
        delete EchoClient;
        EchoClient = nullptr;
    }
    if (OnTerminate)
        handOver();
}

void TPingThread::handOver()
{
    auto handover = m_handover;
    {
        const std::lock_guard lock(handover->mutex);
        if (handover->state != Handover::State::Pending)
            return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, handover] {
            {
                const std::lock_guard lock(handover->mutex);
                if (handover->state != Handover::State::Pending)
                    return;
            }
            // Whatever the callback does, even raising, the worker must be
            // let go.
            struct Release {
                Handover& h;
                ~Release()
                {
                    const std::lock_guard lock(h.mutex);
                    h.state = Handover::State::Done;
                    h.changed.notify_all();
                }
            } release{*handover};
            OnTerminate(this);
        },
        Qt::QueuedConnection);
    std::unique_lock lock(handover->mutex);
    handover->changed.wait(lock, [&] { return handover->state != Handover::State::Pending; });
}

void TPingThread::Execute()
{
    EchoClient = new TICMP;
    if (PayloadSize != 0)
        EchoClient->PayloadSize = PayloadSize;
    if (TimeOut != 0)
        EchoClient->TimeOut = TimeOut;
    if (Ttl != 0)
        EchoClient->Ttl = Ttl;
    EchoClient->IpFlags = IpFlags;
    EchoClient->SetHostAddress(trimmedHost(HostText));

    ReplyCount = EchoClient->SendEcho();
    HostIP = EchoClient->HostIP;
    if (ReplyCount != 0) {
        ErrorNumber = 0;
        const std::uint32_t source = EchoClient->LastReply.Address;
        ReplyAddress = Resolver::dottedText(source);
        ReplyHostName = ReplyAddress;
        ReplyStatus = EchoClient->LastReply.Status;
        RoundTripTime = EchoClient->LastReply.RoundTripTime;
        ReplyDataSize = EchoClient->LastReply.DataSize;
        if (ReverseLookup && source != 0) {
            if (const auto name = Resolver::lookUpAddress(source))
                ReplyHostName = *name;
        }
    } else {
        ErrorNumber = EchoClient->LastError;
        ErrorText = EchoClient->StatusText();
    }
}
