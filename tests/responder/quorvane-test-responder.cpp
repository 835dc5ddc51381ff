// The ICMP and ICMPv6 test hosts behind the router of the test network; see
// tests/net/TestNet.h for what each address does. Run by with-testnet.sh
// inside the responder namespace.

#include "Responder.h"

#include <sched.h>
#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s REQUEST-LOG\n", argv[0]);
        return 2;
    }

    // Never outlive the script that owns the namespaces, even when it is
    // killed without a chance to clean up.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // Delayed replies must leave within a fraction of a millisecond of their
    // time, also while the machine is busy building or running other tests.
    prctl(PR_SET_TIMERSLACK, 1UL);
    const sched_param priority{.sched_priority = 10};
    sched_setscheduler(0, SCHED_FIFO, &priority);

    try {
        Responder responder(argv[1]);
        responder.run();
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "quorvane-test-responder: %s\n", error.what());
        return 1;
    }
}
