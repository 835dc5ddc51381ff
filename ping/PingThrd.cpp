#include "ping/PingThrd.h"

#include "ping/Icmp.h"
#include "ping/Resolver.h"
#include "ping/WorkerRegistry.h"

#include <QMetaObject>
#include <QThreadPool>

#include <climits>

#include <condition_variable>
#include <mutex>

// The hand-over of the outcome between the worker and the creating thread.
// The creating thread may itself be waiting for the worker to end (at
// shutdown), so the worker's wait must be one that a stop request can cut
// short; a plain blocking queued call would deadlock there.
struct TPingThread::Handover {
    enum class State { Pending, Done, Abandoned };
    enum class Life { Created, Running, Ended };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Pending;
    Life life = Life::Created;
};

namespace {

// Never destroyed: a worker stuck in a name lookup at exit must not hold
// the program's end up, and its thread ends with the process.
QThreadPool& workerThreads()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        // Nothing limits the echoes in flight; an echo queued behind others
        // would start its time-out late.
        p->setMaxThreadCount(INT_MAX);
        return p;
    }();
    return *pool;
}

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
    : QObject(parent)
    , m_handover(std::make_shared<Handover>())
{
}

TPingThread::~TPingThread()
{
    WorkerRegistry::workerEnded(this);
}

void TPingThread::Resume()
{
    {
        const std::lock_guard lock(m_handover->mutex);
        m_handover->life = Handover::Life::Running;
    }
    auto handover = m_handover;
    const bool freeOnTerminate = FreeOnTerminate;
    workerThreads().start([this, handover, freeOnTerminate] {
        run();
        // After this the worker may be gone; only the hand-over is touched.
        const std::lock_guard lock(handover->mutex);
        if (freeOnTerminate && handover->state != Handover::State::Done)
            deleteLater();
        handover->life = Handover::Life::Ended;
        handover->changed.notify_all();
    });
}

bool TPingThread::isRunning() const
{
    const std::lock_guard lock(m_handover->mutex);
    return m_handover->life == Handover::Life::Running;
}

bool TPingThread::wait(QDeadlineTimer deadline)
{
    std::unique_lock lock(m_handover->mutex);
    const auto running = [this] { return m_handover->life == Handover::Life::Running; };
    while (running()) {
        if (deadline.isForever()) {
            m_handover->changed.wait(lock);
        } else if (m_handover->changed.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()))
                   == std::cv_status::timeout) {
            return !running();
        }
    }
    return true;
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
            // let go. A worker that frees itself is given up for deletion
            // here, while this thread is awake anyway; its own thread no
            // longer touches it once let go.
            struct Release {
                TPingThread& worker;
                Handover& h;
                ~Release()
                {
                    if (worker.FreeOnTerminate)
                        worker.deleteLater();
                    const std::lock_guard lock(h.mutex);
                    h.state = Handover::State::Done;
                    h.changed.notify_all();
                }
            } release{*this, *handover};
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
    EchoClient->AddressFamily = AddressFamily;
    EchoClient->SetHostAddress(trimmedHost(HostText));

    ReplyCount = EchoClient->SendEcho();
    HostIP = EchoClient->HostIP;
    if (ReplyCount != 0 && EchoClient->TargetIsIpv6) {
        ErrorNumber = 0;
        const auto& reply = EchoClient->LastReply6;
        ReplyAddress = Resolver::text6(reply.Address);
        ReplyHostName = ReplyAddress;
        ReplyStatus = reply.Status;
        RoundTripTime = reply.RoundTripTime;
        ReplyDataSize = reply.DataSize;
        if (ReverseLookup && reply.Address != Ipv6Address{}) {
            if (const auto name = Resolver::lookUpAddress6(reply.Address))
                ReplyHostName = *name;
        }
    } else if (ReplyCount != 0) {
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
