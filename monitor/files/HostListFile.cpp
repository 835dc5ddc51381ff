#include "monitor/files/HostListFile.h"

#include "monitor/controls/HostEntryCheck.h"
#include "monitor/files/EightBitText.h"
#include "monitor/files/WholeFileSave.h"

#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString describeFailure(const QString& what, const QString& path, const QString& reason)
{
    return QString("%1 \"%2\": %3").arg(what, path, reason);
}

[[noreturn]] void refuseToRead(const QString& path, const QString& reason)
{
    throw std::runtime_error(describeFailure("Cannot read the host list file", path, reason).toStdString());
}

// The first limit bytes of a regular file. Anything else is refused before
// a byte is read: a FIFO or a device could block the open or the read, or
// never end. O_NONBLOCK keeps the open itself from waiting for a writer.
QByteArray readHead(const QString& path, qint64 limit)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        refuseToRead(path, qt_error_string(errno));
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        refuseToRead(path, qt_error_string(errno));
    if (!S_ISREG(status.st_mode))
        refuseToRead(path, "it is not a regular file");
    QByteArray head(limit, Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(fd, head.data() + filled, static_cast<std::size_t>(limit - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refuseToRead(path, qt_error_string(errno));
        if (got == 0)
            break;
        filled += got;
    }
    head.truncate(filled);
    return head;
}

struct FirstLines {
    QByteArray bytes;
    bool tenthLineEnded = false;
};

// The bytes of the lines that are used, without what follows them, so that
// a stray byte after them cannot change how they are read.
FirstLines firstLines(const QByteArray& bytes)
{
    int ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        if (++ends == HostListFile::MaxLines)
            return {bytes.left(i), true};
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    return {bytes, false};
}

}

QStringList HostListFile::readLines(const QString& path)
{
    const QByteArray head = readHead(path, ReadLimit + 1);
    try {
        return linesOf(head);
    } catch (const std::length_error& e) {
        throw std::runtime_error(
            QString("Cannot use the host list file \"%1\". %2").arg(path, QString::fromUtf8(e.what())).toStdString());
    }
}

QStringList HostListFile::linesOf(const QByteArray& bytes)
{
    const FirstLines used = firstLines(bytes.left(ReadLimit));
    const QStringList lines = splitLines(EightBitText::decode(used.bytes));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto line = parse(lines[i]);
        if (!line)
            continue;
        const QString problem = HostEntryCheck::lengthProblem(line->host, line->description.value_or(QString()));
        if (!problem.isEmpty())
            throw std::length_error(QString("Line %1: %2").arg(i + 1).arg(problem).toStdString());
    }
    // Ten lines within their limits fit many times over; a file whose tenth
    // line has not ended by then is no host list.
    if (bytes.size() > ReadLimit && !used.tenthLineEnded)
        throw std::length_error(QString("Its first %1 lines are longer than %2 KiB.")
                                    .arg(MaxLines)
                                    .arg(ReadLimit / 1024)
                                    .toStdString());
    return lines;
}

QStringList HostListFile::splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    // A last line without line end still counts; a final line end does not
    // begin another line.
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

std::optional<HostListFile::Line> HostListFile::parse(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    Line line;
    const qsizetype first = text.indexOf(';');
    if (first < 0) {
        line.host = text;
        return line;
    }
    line.host = text.left(first);
    const QString rest = text.mid(first + 1);
    const qsizetype second = rest.indexOf(';');
    if (second < 0) {
        // A lone separator: what follows it is the description, and the
        // threshold stays as it is.
        line.description = rest;
        return line;
    }
    line.description = rest.left(second);
    const QString threshold = rest.mid(second + 1);
    line.threshold = threshold.isEmpty() ? QString("10") : threshold;
    return line;
}

QString HostListFile::compose(const QString& host, const QString& description, const QString& threshold)
{
    return host + ';' + description + ';' + threshold;
}

void HostListFile::save(const QString& path, const QStringList& lines)
{
    const QByteArray bytes = EightBitText::encode(lines.join("\r\n"));
    WholeFileSave::save(path, "Cannot write the host list file",
                        [&](QIODevice& file) { return file.write(bytes) == bytes.size(); });
}
