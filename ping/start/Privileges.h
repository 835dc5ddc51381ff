#pragma once

// The programs need no privilege at all: raw ICMP sockets are the helper's
// (quorvane-icmp). One started with privileges anyway (setcap, a
// set-user-id install, sudo) gives every one of them up before anything
// else, before Qt starts, so that nothing Qt loads, least of all a plugin
// the user chose, runs privileged or finds a privileged socket.
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
