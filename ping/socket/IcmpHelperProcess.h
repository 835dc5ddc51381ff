#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// quorvane-icmp started as the ICMP socket of one address family, where the
// kernel's ping sockets are closed to us: the raw sockets are the helper's,
// and this process never holds one nor the privilege to open one. The
// helper talks over one end of a socket pair and ends when it closes.
class IcmpHelperProcess {
public:
    // Why the family's last start gave no helper.
    enum class Shortfall {
        None,          // it started
        Missing,       // no program where it is looked for
        CannotRun,     // one is there, but not to be run (cannotRunError() tells why)
        Unprivileged,  // it would not get the raw-socket privilege
        Waiting,       // it keeps dying: its next start waits
        NotStarted,    // no socket pair, no process
    };

    // Null when no helper can be had now (shortfall() says why). Nothing
    // waits for the helper.
    static std::unique_ptr<IcmpHelperProcess> start(std::size_t family);
    static Shortfall shortfall(std::size_t family);
    // The errno value of the family's last Shortfall::CannotRun.
    static int cannotRunError(std::size_t family);
    ~IcmpHelperProcess();
    IcmpHelperProcess(const IcmpHelperProcess&) = delete;
    IcmpHelperProcess& operator=(const IcmpHelperProcess&) = delete;

    // The socket to the helper. Its number stays the same when the helper
    // is lost, so that a notifier on it stays valid: it then never becomes
    // readable again.
    int fd() const { return m_fd; }
    pid_t pid() const { return m_pid; }
    // The identifier of the helper's echoes.
    std::uint16_t identifier() const { return m_identifier; }

    // The helper said it cannot serve: it will end after refusing what it
    // was asked already.
    void failed() { m_failed = true; }
    // The helper has ended, or must: it is reaped and its socket stilled.
    void lose();
    // Whether a new helper is needed.
    bool lost() const { return m_failed || m_gone; }
    bool gone() const { return m_gone; }

    // Where the helper is looked for: beside the program (a build), else in
    // ../lib/quorvane (an installation). Where neither can be run, the first
    // that is there, so that what is wrong with it is told; the latter when
    // neither exists.
    static std::string programPath();
    // Every path programPath() tries, in its order.
    static std::vector<std::string> placesLookedAt();
    // Tests name another copy of the helper and a shorter longest wait
    // between the starts of a helper that keeps dying.
    static void setProgram(const std::string& path);
    static void setLongestWait(std::chrono::milliseconds wait);

private:
    IcmpHelperProcess(int fd, pid_t pid);
    void reap();

    int m_fd;
    pid_t m_pid;
    std::uint16_t m_identifier;
    bool m_failed = false;
    bool m_gone = false;
};
