#include "monitor/HostListFile.h"

#include "monitor/EightBitText.h"

#include <QFile>

#include <stdexcept>

namespace {

constexpr qint64 ReadChunk = 64 * 1024;

QString describeFailure(const QString& what, const QString& path, const QFile& file)
{
    return QString("%1 \"%2\": %3").arg(what, path, file.errorString());
}

// Counts the line ends in bytes; a CR LF pair is one end.
int countLineEnds(const QByteArray& bytes)
{
    int ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            ++ends;
        else if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))
            ++ends;
    }
    return ends;
}

// The bytes of the lines that are used, without what follows them, so that
// a stray byte after them cannot change how they are read.
QByteArray firstLines(const QByteArray& bytes)
{
    int ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        if (++ends == HostListFile::MaxLines)
            return bytes.left(i);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    return bytes;
}

}

QStringList HostListFile::readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(describeFailure("Cannot read the host list file", path, file).toStdString());
    QByteArray head;
    // One line end more than needed, so that a CR at the end of a chunk is
    // not taken for a line end that a following LF would complete. Only the
    // new chunk is counted each time: counting the whole head again made a
    // long file without line ends take quadratic time.
    int ends = 0;
    while (ends <= MaxLines) {
        const QByteArray chunk = file.read(ReadChunk);
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                throw std::runtime_error(describeFailure("Cannot read the host list file", path, file).toStdString());
            break;
        }
        // A CR that ended the last chunk was counted as a line end; an LF
        // right after it makes the pair one end, which the LF now counts.
        if (head.endsWith('\r') && chunk.startsWith('\n'))
            --ends;
        head += chunk;
        ends += countLineEnds(chunk);
    }
    return linesOf(head);
}

QStringList HostListFile::linesOf(const QByteArray& bytes)
{
    return splitLines(EightBitText::decode(firstLines(bytes)));
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
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(describeFailure("Cannot write the host list file", path, file).toStdString());
    const QByteArray bytes = EightBitText::encode(lines.join("\r\n"));
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error(describeFailure("Cannot write the host list file", path, file).toStdString());
    file.close();
}
