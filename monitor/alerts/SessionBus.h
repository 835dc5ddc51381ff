#pragma once

#include <QString>

#include <functional>

// Finds the session bus and asks it, on a socket of our own, whether it
// answers a Hello before the D-Bus library is given its address: the
// library waits without end on a bus that accepts and never answers, and
// it would start a bus of its own where none is named. Blocks its caller
// for at most timeoutMs, so it runs on the notifier's thread.
namespace SessionBus {

struct Reached {
    // The one address that answered; empty when none did.
    QString address;
    // Why no bus can be used, for the user.
    QString failure;
    // Whether the environment named a bus at all.
    bool named = true;
};

// givenUp is asked every few tens of milliseconds; once it says yes the
// search ends without an address or a failure.
Reached reach(int timeoutMs, const std::function<bool()>& givenUp);

// Shuts down every socket of this process connected to the address, under
// whoever waits on it: the D-Bus library waits without end for a bus that
// stops answering while it connects.
void cut(const QString& address);

}
