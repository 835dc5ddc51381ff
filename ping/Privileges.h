#pragma once

// A program given CAP_NET_RAW (by setcap, a set-user-id install or sudo)
// needs the privilege for nothing but its raw ICMP sockets. It opens them
// at once and gives every privilege up before Qt starts, so that nothing Qt
// loads later, least of all a plugin the user chose, runs privileged.
class Privileges {
public:
    // First thing in main, while the process has its only thread and no Qt
    // application object exists. False, with the reason on standard error,
    // when the process started privileged and could not give that up: it
    // must not run on then.
    static bool dropAtStart(const char* program);

    // Whether this run started privileged (and has dropped it): Qt's plugin
    // options from the command line are to be ignored then.
    static bool droppedAtStart();
};
