#include "Responder.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
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

        pollfd waitFor[] = {{signals_.fd(), POLLIN, 0}, {listener_.fd(), POLLIN, 0}};
        timespec timeout{};
        const timespec *untilDue = nullptr;
        if (const auto due = queue_.nextDue()) {
            const auto left = *due - WakeEarly - ReplyQueue::Clock::now();
            timeout = toTimespec(std::max(left, ReplyQueue::Clock::duration::zero()));
            untilDue = &timeout;
        }
        if (::ppoll(waitFor, 2, untilDue, nullptr) < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "ppoll");
        if (waitFor[0].revents != 0)
            return;
        if (waitFor[1].revents != 0)
            receiveAll();
    }
}

void Responder::receiveAll()
{
    while (auto arrival = listener_.receive()) {
        const auto request = EchoRequest::parse(arrival->datagram);
        if (!request)
            continue;
        // Logged before any reply leaves, so a test holding a reply can rely
        // on finding its request in the log.
        log_.record(*request);
        queue_.schedule(arrival->arrived, planner_.plan(*request));
        sendDue();
    }
}

void Responder::sendDue()
{
    for (const PlannedReply &reply : queue_.takeDue(ReplyQueue::Clock::now()))
        sender_.send(reply);
}
