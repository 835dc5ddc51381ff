#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class TICMP;

// One echo whose outcome reaches its creator later, so that the window
// never waits on the network. Created "suspended" (constructed, not
// started); the creator writes the inputs and calls Resume(). The echo then
// goes on while the creating thread's event loop runs: no thread of its
// own, only a name lookup goes elsewhere. After the echo the termination
// callback runs on the creating thread, and then the worker deletes itself.
class TPingThread : public QObject {
    Q_OBJECT

public:
    using TerminateCallback = std::function<void(QObject* sender)>;

    explicit TPingThread(QObject* parent = nullptr);
    ~TPingThread() override;

    void Resume();
    // From Resume() until the termination callback has returned.
    bool isRunning() const;

    // Gives a running worker's echo up: its outcome is not handed over, and
    // a worker that frees itself is deleted later.
    void RequestStop();

    // Input, written before Resume().
    QString HostText;
    bool ReverseLookup = false;
    std::int32_t PayloadSize = 0;
    std::int32_t TimeOut = 0;
    std::int32_t Ttl = 0;
    std::int32_t IpFlags = 0;
    // 0 lets the host text decide; 4 or 6 forces that address family.
    std::int32_t AddressFamily = 0;
    bool FreeOnTerminate = true;
    TerminateCallback OnTerminate;

    // Echo outcome.
    QString HostIP;
    QString ReplyAddress;
    std::uint32_t ReplyStatus = 0;
    std::uint32_t RoundTripTime = 0;
    std::uint16_t ReplyDataSize = 0;
    std::int32_t ReplyCount = 0;
    QString ReplyHostName;
    std::uint32_t ErrorNumber = 0;
    QString ErrorText;

    // The message of an echo client that could not be built (no ICMP
    // permission, typically); empty otherwise. Kept so that the owner can
    // tell this apart from an echo that simply failed.
    QString ConstructionError;

private:
    enum class Life { Created, Running, Ended };

    void sendEcho();
    void echoFinished(std::int32_t count);
    void lookUpReplyName(const QByteArray& address);
    void handOver();
    static void deliverReadyOutcomes();
    static void postDelivery();
    void deliverOutcome();

    std::unique_ptr<TICMP> EchoClient;
    Life m_life = Life::Created;
    bool m_handedOver = false;
};
