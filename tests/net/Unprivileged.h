#pragma once

// The network tests run as root, where the engine runs the ICMP helper
// without a file capability. Given --unprivileged, the run sets up what an
// ordinary user has where the kernel's ping sockets are closed: a copy of
// the helper with cap_net_raw+ep, and the user nobody. Root is left for
// good; only the floods' raw sockets, opened first, stay with the tests.
namespace Unprivileged {

// Takes --unprivileged out of the arguments; false when it cannot set up.
bool setUpIfAsked(int& argc, char* argv[]);

}
