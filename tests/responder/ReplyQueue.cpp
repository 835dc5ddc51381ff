#include "ReplyQueue.h"

void ReplyQueue::schedule(Clock::time_point requestArrived, std::vector<PlannedReply> replies)
{
    for (PlannedReply &reply : replies) {
        const auto due = requestArrived + reply.delay;
        pending_.emplace(due, std::move(reply));
    }
}

std::optional<ReplyQueue::Clock::time_point> ReplyQueue::nextDue() const
{
    if (pending_.empty())
        return std::nullopt;
    return pending_.begin()->first;
}

std::vector<PlannedReply> ReplyQueue::takeDue(Clock::time_point now)
{
    std::vector<PlannedReply> due;
    const auto end = pending_.upper_bound(now);
    for (auto it = pending_.begin(); it != end; ++it)
        due.push_back(std::move(it->second));
    pending_.erase(pending_.begin(), end);
    return due;
}
