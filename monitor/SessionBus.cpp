#include "monitor/SessionBus.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int SliceMs = 50;

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

enum class Answer { Yes, No, GivenUp };

// Values in a bus address are escaped as %XX.
QByteArray unescaped(const QString& value)
{
    return QByteArray::fromPercentEncoding(value.toUtf8());
}

// The socket a "unix:" address names, or nothing for any other kind.
bool socketAddress(const QString& address, sockaddr_un& where, socklen_t& length)
{
    if (!address.startsWith("unix:"))
        return false;
    where = {};
    where.sun_family = AF_UNIX;
    for (const QString& pair : address.mid(5).split(',')) {
        const QString key = pair.section('=', 0, 0);
        const QByteArray value = unescaped(pair.section('=', 1));
        const bool abstract = key == "abstract";
        if ((key != "path" && !abstract) || value.isEmpty()
            || static_cast<std::size_t>(value.size()) + abstract >= sizeof where.sun_path)
            continue;
        std::memcpy(where.sun_path + abstract, value.constData(), static_cast<std::size_t>(value.size()));
        length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + abstract + value.size() + !abstract);
        return true;
    }
    return false;
}

// Waits for the socket to be ready in slices, so that a request to give up
// is heard within one slice.
Answer wait(int fd, short events, const QDeadlineTimer& deadline, const std::function<bool()>& givenUp)
{
    for (;;) {
        if (givenUp())
            return Answer::GivenUp;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return Answer::No;
        pollfd ready{fd, events, 0};
        const int n = poll(&ready, 1, static_cast<int>(std::min<qint64>(left, SliceMs)));
        if (n > 0)
            return Answer::Yes;
        // A signal (the quit signals): look again.
        if (n < 0 && errno != EINTR)
            return Answer::No;
    }
}

Answer pause(const QDeadlineTimer& deadline, const std::function<bool()>& givenUp)
{
    if (givenUp())
        return Answer::GivenUp;
    const qint64 left = deadline.remainingTime();
    if (left <= 0)
        return Answer::No;
    poll(nullptr, 0, static_cast<int>(std::min<qint64>(left, SliceMs)));
    return Answer::Yes;
}

// A bus answers our first words of the authentication (OK or REJECTED);
// we leave before we would be let in.
Answer answers(const QString& address, const QDeadlineTimer& deadline, const std::function<bool()>& givenUp)
{
    sockaddr_un where;
    socklen_t length = 0;
    if (!socketAddress(address, where, length))
        return Answer::No;
    const Descriptor fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return Answer::No;
    while (connect(fd.get(), reinterpret_cast<const sockaddr*>(&where), length) != 0) {
        // A listener whose queue is full may take us a little later; a
        // Unix socket does not go on connecting by itself.
        if (errno != EAGAIN)
            return Answer::No;
        const Answer later = pause(deadline, givenUp);
        if (later != Answer::Yes)
            return later;
    }
    const QByteArray hello = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(getuid()).toHex() + "\r\n";
    if (send(fd.get(), hello.constData(), static_cast<std::size_t>(hello.size()), MSG_NOSIGNAL) != hello.size())
        return Answer::No;
    QByteArray heard;
    while (!heard.contains("\r\n")) {
        const Answer ready = wait(fd.get(), POLLIN, deadline, givenUp);
        if (ready != Answer::Yes)
            return ready;
        char bytes[256];
        const ssize_t n = recv(fd.get(), bytes, sizeof bytes, 0);
        // Readiness that went again, or a signal: wait on.
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        // The bus closed on us, or the socket failed.
        if (n <= 0)
            return Answer::No;
        heard.append(bytes, n);
    }
    return heard.startsWith("OK ") || heard.startsWith("REJECTED") ? Answer::Yes : Answer::No;
}

// A bus named by no variable is the user's bus in the runtime folder, if
// there is one; libdbus would otherwise start a bus of its own.
QString namedAddresses()
{
    const QString named = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!named.isEmpty())
        return named;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString bus = runtime + "/bus";
    if (runtime.isEmpty() || !QFileInfo(bus).exists() || QFileInfo(bus).isFile() || QFileInfo(bus).isDir())
        return {};
    return "unix:path=" + QString::fromUtf8(bus.toUtf8().toPercentEncoding("/", "~"));
}

}

SessionBus::Reached SessionBus::reach(int timeoutMs, const std::function<bool()>& givenUp)
{
    const QString named = namedAddresses();
    if (named.isEmpty())
        return {{}, "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)"};
    const QDeadlineTimer deadline(timeoutMs);
    bool anySocket = false;
    for (const QString& address : named.split(';', Qt::SkipEmptyParts)) {
        sockaddr_un where;
        socklen_t length = 0;
        if (!socketAddress(address, where, length))
            continue;
        anySocket = true;
        switch (answers(address, deadline, givenUp)) {
        case Answer::Yes:
            return {address, {}};
        case Answer::GivenUp:
            return {};
        case Answer::No:
            break;
        }
    }
    if (!anySocket)
        return {{}, "the session bus address names no Unix socket: " + named};
    if (deadline.hasExpired())
        return {{}, QString("the session bus did not answer within %1 s").arg(timeoutMs / 1000)};
    return {{}, "the session bus cannot be reached at " + named};
}
