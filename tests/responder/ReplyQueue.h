#pragma once

#include "PlannedReply.h"

#include <chrono>
#include <map>
#include <optional>
#include <vector>

// Replies waiting for their moment, so that any number of delayed replies
// can be pending at once and each leaves on time.
class ReplyQueue {
public:
    using Clock = std::chrono::steady_clock;

    void schedule(Clock::time_point requestArrived, std::vector<PlannedReply> replies);
    std::optional<Clock::time_point> nextDue() const;
    // Removes and returns the replies due by now, earliest first; replies due
    // at the same moment keep the order in which they were scheduled.
    std::vector<PlannedReply> takeDue(Clock::time_point now);

private:
    std::multimap<Clock::time_point, PlannedReply> pending_;
};
