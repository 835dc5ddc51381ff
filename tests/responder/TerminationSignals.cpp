#include "TerminationSignals.h"

#include <sys/signalfd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

TerminationSignals::TerminationSignals()
{
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    if (sigprocmask(SIG_BLOCK, &stopping, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "blocking SIGTERM");
    signals_ = FileDescriptor(::signalfd(-1, &stopping, SFD_CLOEXEC));
    if (signals_.get() < 0)
        throw std::system_error(errno, std::generic_category(), "signalfd");
}
