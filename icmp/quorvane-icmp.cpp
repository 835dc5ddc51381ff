#include "common/ProductIdentity.h"
#include "icmp/HelperPrivileges.h"
#include "icmp/HelperProtocol.h"
#include "icmp/HelperServer.h"
#include "icmp/RawEchoSocket.h"

#include <linux/close_range.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr int ExitNotServing = 2;

// The helper serves one parent over the socket pair it was given, and
// nothing else: run by hand it finds none and ends.
bool isParentSocket(int fd)
{
    int type = 0;
    int domain = 0;
    socklen_t size = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0)
        return false;
    size = sizeof domain;
    return getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) == 0 && domain == AF_UNIX && type == SOCK_SEQPACKET;
}

}

int main(int argc, char* argv[])
{
    // Nobody may attach to the helper and use its sockets; it ends with the
    // parent that started it, also when that is killed.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
    const int parent = HelperProtocol::ParentSocket;
    // One address family per helper, named by its one argument: "4" or "6".
    const bool v6 = argc == 2 && std::strcmp(argv[1], "6") == 0;
    if (argc != 2 || (!v6 && std::strcmp(argv[1], "4") != 0) || !isParentSocket(parent)) {
        std::fprintf(stderr, "quorvane-icmp: sends ICMP echoes for %s, which starts it; it is not to be run by hand\n",
                     ProductIdentity::DisplayName);
        return ExitNotServing;
    }
    // Whatever else the caller left open is none of the helper's business.
    syscall(SYS_close_range, parent + 1, ~0u, 0);

    const std::uint16_t identifier = HelperProtocol::identifierOf(getpid());
    RawEchoSocket socket(v6, identifier);
    const int dropped = dropHelperPrivileges();
    if (dropped != 0 || socket.fd() < 0) {
        const int error = dropped != 0 ? dropped : socket.openError();
        std::fprintf(stderr, "quorvane-icmp: cannot serve: %s\n", std::strerror(error));
        HelperServer::refuseEverything(parent, error);
        return ExitNotServing;
    }
    HelperServer(parent, identifier, v6, socket).run();
    return 0;
}
