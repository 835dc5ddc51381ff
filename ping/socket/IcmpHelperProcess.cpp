#include "ping/socket/IcmpHelperProcess.h"

#include "icmp/HelperProtocol.h"

#include <linux/capability.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// A helper that dies is started again at once; one that keeps dying waits
// 1 s, 2 s, 4 s ... up to this long after its last start. A helper that
// lived this long has its wait forgotten.
constexpr std::chrono::milliseconds DefaultLongestWait = std::chrono::minutes(1);
constexpr std::chrono::milliseconds FirstWait = std::chrono::seconds(1);

struct Starts {
    std::optional<Clock::time_point> last;
    std::chrono::milliseconds wait{0};
    IcmpHelperProcess::Shortfall shortfall = IcmpHelperProcess::Shortfall::None;
    int cannotRunError = 0;
};

std::mutex stateMutex;
std::string programOverride;
std::chrono::milliseconds longestWait = DefaultLongestWait;
std::array<Starts, 2> starts;

std::chrono::milliseconds nextWait(const Starts& s, Clock::time_point now)
{
    if (!s.last || now - *s.last >= longestWait)
        return std::chrono::milliseconds(0);
    return std::min(std::max(std::min(FirstWait, longestWait), 2 * s.wait), longestWait);
}

std::string programFolder()
{
    std::array<char, 4096> path{};
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0)
        return ".";
    const std::string self(path.data(), static_cast<std::size_t>(n));
    return self.substr(0, self.rfind('/'));
}

// 0 when we may run the program at path, else why not: a missing execute
// bit and a file system mounted noexec both give EACCES.
int whyNotRunnable(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return errno;
    if (S_ISDIR(status.st_mode))
        return EISDIR;
    return access(path.c_str(), X_OK) == 0 ? 0 : errno;
}

// Whether the helper will get CAP_NET_RAW when we start it: run by root
// it gets it from the bounding set, otherwise from its file capability.
// Asked before the start, so that a missing privilege is told at once.
bool helperWouldBePrivileged(const std::string& path)
{
    if (prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1 || prctl(PR_CAPBSET_READ, CAP_NET_RAW, 0, 0, 0) != 1)
        return false;
    if (getuid() == 0)
        return true;
    // struct vfs_cap_data (or its namespaced form, which begins alike).
    std::array<std::uint32_t, 6> capability{};
    const ssize_t n = getxattr(path.c_str(), "security.capability", capability.data(), sizeof capability);
    if (n < static_cast<ssize_t>(3 * sizeof(std::uint32_t)))
        return false;
    const bool effective = capability[0] & VFS_CAP_FLAGS_EFFECTIVE;
    const bool rawPermitted = capability[1] & (1u << CAP_NET_RAW);
    return effective && rawPermitted;
}

pid_t spawnHelper(const std::string& path, int childEnd, std::size_t family)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&files, childEnd, HelperProtocol::ParentSocket);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char name[] = "quorvane-icmp";
    char v4[] = "4";
    char v6[] = "6";
    char* arguments[] = {name, family == 0 ? v4 : v6, nullptr};
    char* environment[] = {nullptr};
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.c_str(), &files, &attributes, arguments, environment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return error == 0 ? pid : -1;
}

}

std::unique_ptr<IcmpHelperProcess> IcmpHelperProcess::start(std::size_t family)
{
    const std::string path = programPath();
    {
        const std::lock_guard lock(stateMutex);
        const auto now = Clock::now();
        Starts& s = starts[family];
        if (s.last && now - *s.last < s.wait) {
            s.shortfall = Shortfall::Waiting;
            return nullptr;
        }
        if (access(path.c_str(), F_OK) != 0) {
            s.shortfall = Shortfall::Missing;
            return nullptr;
        }
        if (const int error = whyNotRunnable(path)) {
            s.shortfall = Shortfall::CannotRun;
            s.cannotRunError = error;
            return nullptr;
        }
        if (!helperWouldBePrivileged(path)) {
            s.shortfall = Shortfall::Unprivileged;
            return nullptr;
        }
        s.wait = nextWait(s, now);
        s.last = now;
        s.shortfall = Shortfall::NotStarted;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return nullptr;
    // dup2 onto the same number would leave close-on-exec set.
    if (ends[1] == HelperProtocol::ParentSocket) {
        const int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, HelperProtocol::ParentSocket + 1);
        close(ends[1]);
        ends[1] = moved;
    }
    const pid_t pid = ends[1] >= 0 ? spawnHelper(path, ends[1], family) : -1;
    if (ends[1] >= 0)
        close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return nullptr;
    }
    {
        const std::lock_guard lock(stateMutex);
        starts[family].shortfall = Shortfall::None;
    }
    return std::unique_ptr<IcmpHelperProcess>(new IcmpHelperProcess(ends[0], pid));
}

IcmpHelperProcess::IcmpHelperProcess(int fd, pid_t pid)
    : m_fd(fd)
    , m_pid(pid)
    , m_identifier(HelperProtocol::identifierOf(pid))
{
}

IcmpHelperProcess::~IcmpHelperProcess()
{
    close(m_fd);
    reap();
}

// The helper ends on end of file; the signal makes sure it has ended, so
// that the wait is only the kernel's.
void IcmpHelperProcess::reap()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

void IcmpHelperProcess::lose()
{
    if (m_gone)
        return;
    m_gone = true;
    reap();
    // A socket at end of file is readable for ever: in its place goes one
    // that never is.
    const int still = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (still >= 0) {
        dup3(still, m_fd, O_CLOEXEC);
        close(still);
    }
}

std::vector<std::string> IcmpHelperProcess::placesLookedAt()
{
    {
        const std::lock_guard lock(stateMutex);
        if (!programOverride.empty())
            return {programOverride};
    }
    const std::string folder = programFolder();
    return {folder + "/quorvane-icmp", folder.substr(0, folder.rfind('/')) + "/lib/quorvane/quorvane-icmp"};
}

std::string IcmpHelperProcess::programPath()
{
    const auto places = placesLookedAt();
    auto found = std::find_if(places.begin(), places.end(),
                              [](const std::string& path) { return whyNotRunnable(path) == 0; });
    if (found == places.end())
        found = std::find_if(places.begin(), places.end(),
                             [](const std::string& path) { return access(path.c_str(), F_OK) == 0; });
    return found != places.end() ? *found : places.back();
}

void IcmpHelperProcess::setProgram(const std::string& path)
{
    const std::lock_guard lock(stateMutex);
    programOverride = path;
}

void IcmpHelperProcess::setLongestWait(std::chrono::milliseconds wait)
{
    const std::lock_guard lock(stateMutex);
    longestWait = wait;
    for (Starts& s : starts)
        s.wait = std::min(s.wait, wait);
}

IcmpHelperProcess::Shortfall IcmpHelperProcess::shortfall(std::size_t family)
{
    const std::lock_guard lock(stateMutex);
    return starts[family].shortfall;
}

int IcmpHelperProcess::cannotRunError(std::size_t family)
{
    const std::lock_guard lock(stateMutex);
    return starts[family].cannotRunError;
}
