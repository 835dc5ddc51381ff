#include "Unprivileged.h"

#include "EchoRun.h"

#include "ping/socket/IcmpHelperProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

// Removed at exit, by nobody: the folder is nobody's.
std::unique_ptr<QTemporaryDir> helperFolder;

bool dropToNobody()
{
    return setgroups(0, nullptr) == 0 && setresgid(NoGroup, NoGroup, NoGroup) == 0
        && setresuid(Nobody, Nobody, Nobody) == 0;
}

}

bool Unprivileged::setUpIfAsked(int& argc, char* argv[])
{
    const auto end = argv + argc;
    const auto asked = std::find_if(argv + 1, end, [](const char* a) { return std::strcmp(a, "--unprivileged") == 0; });
    // The helper of the build, without a capability, serves a root run.
    IcmpHelperProcess::setProgram(QUORVANE_ICMP);
    if (asked == end)
        return true;
    std::copy(asked + 1, end, asked);
    --argc;

    setPingSocketsAllowed(false);
    helperFolder = std::make_unique<QTemporaryDir>();
    const QString helper = QDir(helperFolder->path()).filePath("quorvane-icmp");
    if (!QFile::copy(QUORVANE_ICMP, helper) || QProcess::execute("setcap", {"cap_net_raw+ep", helper}) != 0
        || chown(helperFolder->path().toLocal8Bit().constData(), Nobody, NoGroup) != 0
        || !QFile::setPermissions(helperFolder->path(), QFileDevice::Permissions(0x7755))) {
        std::fprintf(stderr, "cannot set up the helper copy with cap_net_raw+ep\n");
        return false;
    }
    IcmpHelperProcess::setProgram(helper.toStdString());
    PingFlood::openEarly();
    if (!dropToNobody() || getuid() != Nobody || geteuid() != Nobody) {
        std::fprintf(stderr, "cannot become nobody\n");
        return false;
    }
    return true;
}
