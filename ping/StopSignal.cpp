#include "ping/StopSignal.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
thread_local StopSignal* currentSignal = nullptr;
}

StopSignal::StopSignal()
    : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

StopSignal::~StopSignal()
{
    if (m_fd >= 0)
        close(m_fd);
}

void StopSignal::raise()
{
    const std::uint64_t one = 1;
    // EAGAIN means the counter is already non-zero: it is raised either way.
    while (m_fd >= 0 && write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool StopSignal::raised() const
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

StopSignal* StopSignal::current()
{
    return currentSignal;
}

StopSignal::Scope::Scope(StopSignal& signal)
    : m_previous(currentSignal)
{
    currentSignal = &signal;
}

StopSignal::Scope::~Scope()
{
    currentSignal = m_previous;
}
