#include "ping/start/PermissionAdvice.h"

#include "common/ProductIdentity.h"
#include "ping/socket/IcmpFamily.h"
#include "ping/socket/IcmpHelperProcess.h"

#include <QStringList>

namespace {

const QString PingSockets = "Allow your group the kernel's ping sockets:\n"
                            "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n";

QString places()
{
    QStringList paths;
    for (const auto& path : IcmpHelperProcess::placesLookedAt())
        paths.append(QString::fromStdString(path));
    return paths.join(" or ");
}

}

QString PermissionAdvice::text(const QString& reason)
{
    const QString head = QString("%1 cannot send ICMP echoes: %2.\n\n").arg(ProductIdentity::DisplayName, reason);
    const QString helper = QString::fromStdString(IcmpHelperProcess::programPath());
    switch (IcmpHelperProcess::shortfall(IcmpFamily::of(false).index)) {
    case IcmpHelperProcess::Shortfall::Missing:
        return head + QString("The ICMP helper is missing: there is none at %1.\n\n").arg(places()) + PingSockets
            + "or install the program again with its helper.";
    case IcmpHelperProcess::Shortfall::Waiting:
    case IcmpHelperProcess::Shortfall::NotStarted:
        return head + QString("Its ICMP helper %1 has ended; it is started again shortly.").arg(helper);
    case IcmpHelperProcess::Shortfall::None:
    case IcmpHelperProcess::Shortfall::Unprivileged:
        break;
    }
    return head + PingSockets + "or give its ICMP helper the raw-socket capability:\n    sudo setcap cap_net_raw+ep "
        + helper;
}
