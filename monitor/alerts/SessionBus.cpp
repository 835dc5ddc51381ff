#include "monitor/alerts/SessionBus.h"

#include "monitor/files/UniqueDescriptor.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int SliceMs = 50;

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

// The bus's own Hello, the first call of every client and one the bus
// must answer, marshalled by hand: little-endian, serial 1, no body.
QByteArray helloCall()
{
    QByteArray fields;
    const auto field = [&fields](char code, char type, const QByteArray& value) {
        while (fields.size() % 8)
            fields.append('\0');
        fields.append(code).append('\1').append(type).append('\0');
        const quint32 size = qToLittleEndian(static_cast<quint32>(value.size()));
        fields.append(reinterpret_cast<const char*>(&size), 4).append(value).append('\0');
    };
    field(1, 'o', "/org/freedesktop/DBus");
    field(6, 's', "org.freedesktop.DBus");
    field(2, 's', "org.freedesktop.DBus");
    field(3, 's', "Hello");
    const quint32 fixed[3] = {0, qToLittleEndian(1u), qToLittleEndian(static_cast<quint32>(fields.size()))};
    QByteArray call("l\1\0\1", 4);
    call.append(reinterpret_cast<const char*>(fixed), sizeof fixed).append(fields);
    while (call.size() % 8)
        call.append('\0');
    return call;
}

// Sends words and waits for an answer: a whole line while authenticating,
// any byte after that.
Answer ask(int fd, const QByteArray& words, bool line, QByteArray& heard, const QDeadlineTimer& deadline,
           const std::function<bool()>& givenUp)
{
    if (send(fd, words.constData(), static_cast<std::size_t>(words.size()), MSG_NOSIGNAL) != words.size())
        return Answer::No;
    heard.clear();
    while (line ? !heard.contains("\r\n") : heard.isEmpty()) {
        const Answer ready = wait(fd, POLLIN, deadline, givenUp);
        if (ready != Answer::Yes)
            return ready;
        char bytes[256];
        const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
        // Readiness that went again, or a signal: wait on.
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        // The bus closed on us, or the socket failed.
        if (n <= 0)
            return Answer::No;
        heard.append(bytes, n);
    }
    return Answer::Yes;
}

// A bus answers the authentication and then our Hello, as it would the
// library's; we leave once it has. A bus that lets nobody in by our way
// (REJECTED) has answered too: the library knows other ways.
Answer answers(const QString& address, const QDeadlineTimer& deadline, const std::function<bool()>& givenUp)
{
    sockaddr_un where;
    socklen_t length = 0;
    if (!socketAddress(address, where, length))
        return Answer::No;
    const UniqueDescriptor fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
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
    QByteArray heard;
    const QByteArray auth = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(getuid()).toHex() + "\r\n";
    const Answer authenticated = ask(fd.get(), auth, true, heard, deadline, givenUp);
    if (authenticated != Answer::Yes || heard.startsWith("REJECTED"))
        return authenticated;
    if (!heard.startsWith("OK "))
        return Answer::No;
    return ask(fd.get(), "BEGIN\r\n" + helloCall(), false, heard, deadline, givenUp);
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

// The socket file a Unix address names, by device and inode; nothing for an
// abstract name, nor for a peer's relative name, which was bound in the
// bus's working folder, not ours.
std::optional<std::pair<dev_t, ino_t>> socketFile(const sockaddr_un& where, socklen_t length, bool ownName)
{
    if (where.sun_family != AF_UNIX || length <= offsetof(sockaddr_un, sun_path) || where.sun_path[0] == '\0'
        || (!ownName && where.sun_path[0] != '/'))
        return std::nullopt;
    // The kernel need not end a peer's name with a NUL.
    char path[sizeof where.sun_path + 1] = {};
    const std::size_t named = length - offsetof(sockaddr_un, sun_path);
    std::memcpy(path, where.sun_path, std::min(named, sizeof where.sun_path));
    struct stat file{};
    if (stat(path, &file) != 0 || !S_ISSOCK(file.st_mode))
        return std::nullopt;
    return std::make_pair(file.st_dev, file.st_ino);
}

}

SessionBus::Reached SessionBus::reach(int timeoutMs, const std::function<bool()>& givenUp)
{
    const QString named = namedAddresses();
    if (named.isEmpty())
        return {{}, "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)", false};
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
        return {{}, QString("the session bus did not answer within %1 s").arg(timeoutMs / 1000.0)};
    return {{}, "the session bus cannot be reached at " + named};
}

// The kernel names a peer by the name the bus bound, which the address
// may spell otherwise: through a link, with "//", as "/var/run" for "/run",
// or relative to our folder. So a peer is the bus when its name is the
// address's, or leads to the same socket file.
void SessionBus::cut(const QString& address)
{
    sockaddr_un where;
    socklen_t length = 0;
    if (!socketAddress(address, where, length))
        return;
    const auto busFile = socketFile(where, length, true);
    const QStringList descriptors = QDir("/proc/self/fd").entryList(QDir::Files | QDir::System);
    for (const QString& name : descriptors) {
        bool number = false;
        const int fd = name.toInt(&number);
        sockaddr_un peer{};
        socklen_t peerLength = sizeof peer;
        if (!number || getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0
            || peer.sun_family != AF_UNIX)
            continue;
        const bool spelt = peerLength == length && std::memcmp(&peer, &where, length) == 0;
        if (spelt || (busFile && socketFile(peer, peerLength, false) == busFile))
            shutdown(fd, SHUT_RDWR);
    }
}
