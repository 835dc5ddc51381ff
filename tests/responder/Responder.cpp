#include "Responder.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <system_error>

using namespace std::chrono_literals;

namespace {

// A sleeping process wakes up to a tenth of a millisecond late on a virtual
// machine, too late for the delays the tests measure. So the wait for a
// reply's moment ends this much early and the rest is spent polling.
constexpr ReplyQueue::Clock::duration WakeEarly = 500us;

timespec toTimespec(ReplyQueue::Clock::duration span)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
    return {static_cast<time_t>(seconds.count()),
            static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(span - seconds).count())};
}

} // namespace

Responder::Responder(const std::string &logPath)
    : log_(logPath)
{
}

void Responder::run()
{
    for (;;) {
        sendDue();

        pollfd waitFor[] = {{signals_.fd(), POLLIN, 0}, {listener_.fd(), POLLIN, 0}, {socket6_.fd(), POLLIN, 0}};
        timespec timeout{};
        const timespec *untilDue = nullptr;
        if (const auto due = queue_.nextDue()) {
            const auto left = *due - WakeEarly - ReplyQueue::Clock::now();
            timeout = toTimespec(std::max(left, ReplyQueue::Clock::duration::zero()));
            untilDue = &timeout;
        }
        if (::ppoll(waitFor, std::size(waitFor), untilDue, nullptr) < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "ppoll");
        if (waitFor[0].revents != 0)
            return;
        if (waitFor[1].revents != 0)
            receiveAll(listener_);
        if (waitFor[2].revents != 0)
            receiveAll(socket6_);
    }
}

template<typename Source>
void Responder::receiveAll(Source &source)
{
    while (const auto arrival = source.receive()) {
        // Logged before any reply leaves, so a test holding a reply can rely
        // on finding its request in the log.
        log_.record(arrival->request);
        queue_.schedule(arrival->arrived, planner_.plan(arrival->request));
        sendDue();
    }
}

void Responder::sendDue()
{
    for (const PlannedReply &reply : queue_.takeDue(ReplyQueue::Clock::now())) {
        if (reply.destination.isV6())
            socket6_.send(reply);
        else
            sender_.send(reply);
    }
}
