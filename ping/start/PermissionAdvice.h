#pragma once

#include <QString>

// What a user who may not send ICMP echoes can do about it, told alike by
// the monitor's message box and quorvane-echo.
namespace PermissionAdvice {

// reason: why the echo socket could not be opened; helper: the path of the
// ICMP helper, which is to be given the capability.
QString text(const QString& reason, const QString& helper);

// The path of this installation's ICMP helper.
QString helperPath();

}
