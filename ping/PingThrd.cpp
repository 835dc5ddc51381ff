#include "ping/PingThrd.h"

#include "ping/EngineTurn.h"
#include "ping/Icmp.h"
#include "ping/names/NameLookups.h"
#include "ping/names/Resolver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <vector>

namespace {

// Outcomes ready to go over, in the order they became ready. One posted
// call takes all that are ready by then, so the replies that one reading of
// the socket brings cost one wake-up of the event loop, not one each.
struct ReadyOutcomes {
    std::deque<QPointer<TPingThread>> workers;
    bool callPosted = false;
};

ReadyOutcomes& readyOutcomes()
{
    static ReadyOutcomes ready;
    return ready;
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

template <typename Address>
QByteArray addressBytes(const Address& address)
{
    return QByteArray(reinterpret_cast<const char*>(&address), sizeof address);
}

}

TPingThread::TPingThread(QObject* parent)
    : QObject(parent)
{
}

TPingThread::~TPingThread() = default;

void TPingThread::Resume()
{
    EngineTurn::setEnd(&TPingThread::deliverReadyOutcomes);
    m_life = Life::Running;
    try {
        EchoClient = std::make_unique<TICMP>();
    } catch (const std::exception& e) {
        ConstructionError = QString::fromUtf8(e.what());
        handOver();
        return;
    }
    if (PayloadSize != 0)
        EchoClient->PayloadSize = PayloadSize;
    if (TimeOut != 0)
        EchoClient->TimeOut = TimeOut;
    if (Ttl != 0)
        EchoClient->Ttl = Ttl;
    EchoClient->IpFlags = IpFlags;
    EchoClient->AddressFamily = AddressFamily;
    EchoClient->SetHostAddress(trimmedHost(HostText));
    if (EchoClient->ResolveLiteral()) {
        sendEcho();
        return;
    }
    NameLookups::lookUpName(EchoClient->HostAddress, EchoClient->LookupFamilies(), this,
                            [this](const std::optional<Resolver::NameEntry>& entry, std::uint32_t error) {
                                if (m_life != Life::Running)
                                    return;
                                EchoClient->UseLookup(entry, error);
                                sendEcho();
                            });
}

bool TPingThread::isRunning() const
{
    return m_life == Life::Running;
}

void TPingThread::RequestStop()
{
    if (m_life != Life::Running)
        return;
    m_life = Life::Ended;
    EchoClient.reset();
    if (FreeOnTerminate)
        deleteLater();
}

void TPingThread::sendEcho()
{
    EchoClient->StartEcho([this](std::int32_t count) { echoFinished(count); });
}

void TPingThread::echoFinished(std::int32_t count)
{
    ReplyCount = count;
    HostIP = EchoClient->HostIP;
    if (count == 0) {
        ErrorNumber = EchoClient->LastError;
        ErrorText = EchoClient->StatusText();
        handOver();
        return;
    }
    ErrorNumber = 0;
    QByteArray address;
    if (EchoClient->TargetIsIpv6) {
        const auto& reply = EchoClient->LastReply6;
        ReplyAddress = Resolver::text6(reply.Address);
        ReplyStatus = reply.Status;
        RoundTripTime = reply.RoundTripTime;
        ReplyDataSize = reply.DataSize;
        if (reply.Address != Ipv6Address{})
            address = addressBytes(reply.Address);
    } else {
        const auto& reply = EchoClient->LastReply;
        ReplyAddress = Resolver::dottedText(reply.Address);
        ReplyStatus = reply.Status;
        RoundTripTime = reply.RoundTripTime;
        ReplyDataSize = reply.DataSize;
        if (reply.Address != 0)
            address = addressBytes(reply.Address);
    }
    ReplyHostName = ReplyAddress;
    if (ReverseLookup && !address.isEmpty())
        lookUpReplyName(address);
    else
        handOver();
}

// A name server that does not answer must not hold the outcome back for
// long: after the echo's own time-out the address stands for the name.
void TPingThread::lookUpReplyName(const QByteArray& address)
{
    NameLookups::lookUpAddress(address, this, [this](const std::optional<QString>& name) {
        if (name && !m_handedOver)
            ReplyHostName = *name;
        handOver();
    });
    if (!m_handedOver)
        QTimer::singleShot(EchoClient->TimeOut, this, [this] { handOver(); });
}

// The outcome goes over outside the echo engine's own calls, so that
// whatever the callback does, even raising, reaches the application's error
// handler and not the engine: at the end of the engine's turn where the
// engine finished the echo, else from the event loop.
void TPingThread::handOver()
{
    if (m_handedOver || m_life != Life::Running)
        return;
    m_handedOver = true;
    readyOutcomes().workers.emplace_back(this);
    if (!EngineTurn::inTurn())
        postDelivery();
}

void TPingThread::postDelivery()
{
    ReadyOutcomes& ready = readyOutcomes();
    if (ready.callPosted || ready.workers.empty())
        return;
    ready.callPosted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &TPingThread::deliverReadyOutcomes, Qt::QueuedConnection);
}

// A callback that opens a window of its own runs the event loop inside this
// call: while outcomes are left, a call for them is posted before each
// callback, so that none waits for that window to close (without such a
// window the call finds nothing left). The workers are freed at the end,
// when none of them is on the stack any more, whatever their callbacks did.
void TPingThread::deliverReadyOutcomes()
{
    ReadyOutcomes& ready = readyOutcomes();
    ready.callPosted = false;
    struct FreeDone {
        std::vector<QPointer<TPingThread>> workers;
        ~FreeDone()
        {
            for (const QPointer<TPingThread>& worker : workers)
                delete worker.data();
            postDelivery();
        }
    } done;
    while (!ready.workers.empty()) {
        const QPointer<TPingThread> worker = ready.workers.front();
        ready.workers.pop_front();
        if (!worker)
            continue;
        if (worker->FreeOnTerminate)
            done.workers.push_back(worker);
        postDelivery();
        worker->deliverOutcome();
    }
}

void TPingThread::deliverOutcome()
{
    if (m_life != Life::Running)
        return;
    EchoClient.reset();
    // Whatever the callback does, even raising, the worker has ended.
    struct End {
        Life& life;
        ~End() { life = Life::Ended; }
    } end{m_life};
    if (OnTerminate)
        OnTerminate(this);
}
