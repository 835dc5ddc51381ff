#pragma once

#include "FileDescriptor.h"

// Turns SIGTERM and SIGINT into a readable descriptor, so that the wait for
// packets and timers also notices a request to stop, and nothing is cut off
// halfway through a send or a log line.
class TerminationSignals {
public:
    TerminationSignals();

    int fd() const { return signals_.get(); }

private:
    FileDescriptor signals_;
};
