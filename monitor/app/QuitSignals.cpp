#include "monitor/app/QuitSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
// Made before any signal can come: timer_settime may be called from a
// signal handler, timer_create may not.
timer_t watchdog;
bool watchdogMade = false;
volatile sig_atomic_t received = 0;
constexpr int WatchdogSignal = SIGALRM;

void install(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

}

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char drained[16];
        while (read(pipeEnds[0], drained, sizeof drained) > 0) {
        }
        emit quitRequested();
    });
    // The monotonic clock: a step of the wall clock neither hastens nor
    // delays the end.
    struct sigevent event {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = WatchdogSignal;
    watchdogMade = timer_create(CLOCK_MONOTONIC, &event, &watchdog) == 0;
    install(WatchdogSignal, &QuitSignals::onWatchdog);
    install(SIGINT, &QuitSignals::onSignal);
    install(SIGTERM, &QuitSignals::onSignal);
}

// An armed watchdog stays armed: the program is on its way out, and what
// comes after this (static destructors) may be what is stuck.
QuitSignals::~QuitSignals()
{
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    if (watchdogMade && !received) {
        timer_delete(watchdog);
        watchdogMade = false;
        signal(WatchdogSignal, SIG_DFL);
    }
    delete m_notifier;
    for (int& end : pipeEnds) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

void QuitSignals::onSignal(int signal)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = write(pipeEnds[1], &byte, 1);
    if (received || !watchdogMade)
        return;
    received = signal;
    struct itimerspec after {};
    after.it_value.tv_sec = QuitGraceMs / 1000;
    after.it_value.tv_nsec = QuitGraceMs % 1000 * 1000000L;
    timer_settime(watchdog, 0, &after, nullptr);
}

// The loop did not end in time: the signal's own default action ends the
// program, as if nobody had caught it. Records reach the log file by
// write calls that are never buffered, so what was written stays.
void QuitSignals::onWatchdog(int)
{
    const int signal = received;
    ::signal(signal, SIG_DFL);
    raise(signal);
}
