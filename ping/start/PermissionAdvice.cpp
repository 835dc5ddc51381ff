#include "ping/start/PermissionAdvice.h"

#include "common/ProductIdentity.h"
#include "ping/socket/IcmpHelperProcess.h"

QString PermissionAdvice::text(const QString& reason, const QString& helper)
{
    return QString("%1 cannot send ICMP echoes: %2.\n\n"
                   "Allow your group the kernel's ping sockets:\n"
                   "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n"
                   "or give its ICMP helper the raw-socket capability:\n"
                   "    sudo setcap cap_net_raw+ep %3")
        .arg(ProductIdentity::DisplayName, reason, helper);
}

QString PermissionAdvice::helperPath()
{
    return QString::fromStdString(IcmpHelperProcess::programPath());
}
