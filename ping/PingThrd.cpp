#include "ping/PingThrd.h"

#include "ping/Icmp.h"
#include "ping/names/NameLookups.h"
#include "ping/names/Resolver.h"

#include <QMetaObject>
#include <QTimer>

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

// The outcome goes over from the event loop, outside the echo engine's own
// calls, so that whatever the callback does, even raising, reaches the
// application's error handler and not the engine.
void TPingThread::handOver()
{
    if (m_handedOver || m_life != Life::Running)
        return;
    m_handedOver = true;
    QMetaObject::invokeMethod(this, [this] { deliverOutcome(); }, Qt::QueuedConnection);
}

void TPingThread::deliverOutcome()
{
    if (m_life != Life::Running)
        return;
    EchoClient.reset();
    // Whatever the callback does, even raising, the worker is let go.
    struct Release {
        TPingThread& worker;
        ~Release()
        {
            worker.m_life = Life::Ended;
            if (worker.FreeOnTerminate)
                worker.deleteLater();
        }
    } release{*this};
    if (OnTerminate)
        OnTerminate(this);
}
