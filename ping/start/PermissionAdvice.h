#pragma once

#include <QString>

// What a user whose echoes cannot be sent can do about it, told alike by
// the monitor and quorvane-echo: allow the kernel's ping sockets, give an
// existing helper the capability, install a missing one, mend one that
// cannot be run, or wait for one that is being started again.
namespace PermissionAdvice {

// reason: the echo client's construction failure.
QString text(const QString& reason);

}
