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

// chmod mends a lost execute bit; a file system mounted noexec or a folder
// in the helper's place takes installing again.
QString cannotRun(const QString& helper, int error)
{
    return QString("The ICMP helper %1 exists but cannot be run: %2.\n\n").arg(helper, qt_error_string(error))
        + PingSockets + QString("or let it be run and give it the raw-socket capability:\n"
                                "    sudo chmod 755 %1\n"
                                "    sudo setcap cap_net_raw+ep %1\n"
                                "or install the program again with its helper.")
                            .arg(helper);
}

}

QString PermissionAdvice::text(const QString& reason)
{
    const QString head = QString("%1 cannot send ICMP echoes: %2.\n\n").arg(ProductIdentity::DisplayName, reason);
    const QString helper = QString::fromStdString(IcmpHelperProcess::programPath());
    const std::size_t family = IcmpFamily::of(false).index;
    switch (IcmpHelperProcess::shortfall(family)) {
    case IcmpHelperProcess::Shortfall::Missing:
        return head + QString("The ICMP helper is missing: there is none at %1.\n\n").arg(places()) + PingSockets
            + "or install the program again with its helper.";
    case IcmpHelperProcess::Shortfall::CannotRun:
        return head + cannotRun(helper, IcmpHelperProcess::cannotRunError(family));
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
