#pragma once

#include "ping/StopSignal.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class TICMP;

// Runs one echo off the creating thread so that the window never waits on
// the network. Created "suspended" (constructed, not started); the creator
// writes the inputs and calls Resume(). After the echo the termination
// callback runs on the thread that created the worker while the worker
// waits for it; then the worker deletes itself.
//
// The thread under a worker comes from a pool that grows with the echoes in
// flight and lets idle threads go: starting and ending a thread costs more
// than the echo itself.
class TPingThread : public QObject {
    Q_OBJECT

public:
    using TerminateCallback = std::function<void(QObject* sender)>;

    explicit TPingThread(QObject* parent = nullptr);
    ~TPingThread() override;

    void Resume();
    bool isRunning() const;
    // True once the worker has ended, or never started; false when the
    // deadline passed first.
    bool wait(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

    // Asks a running worker to give up its echo and not to hand over its
    // outcome; safe to call at any time on the creating thread.
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

    // Echo outcome, written by Execute().
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

protected:
    void run();
    void Execute();

private:
    struct Handover;

    void handOver();

    TICMP* EchoClient = nullptr;
    StopSignal m_stop;
    std::shared_ptr<Handover> m_handover;
};
