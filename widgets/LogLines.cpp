#include "widgets/LogLines.h"

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

// Large enough that a chunk's own cost and the tail left unused when the
// next line does not fit are negligible, small enough to stay in the heap
// proper rather than in a mapping of its own.
constexpr qsizetype chunkBytes = 64 * 1024;

constexpr std::uint32_t wideFlag = 0x80000000u;

bool fitsLatin1(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

} // namespace

LogLines::LogLines() = default;
LogLines::~LogLines() = default;

void LogLines::append(QStringView line)
{
    const bool wide = !fitsLatin1(line);
    const qsizetype bytes = wide ? line.size() * qsizetype(sizeof(char16_t)) : line.size();
    Chunk& chunk = chunkWithRoom(bytes);
    char* out = chunk.bytes.get() + chunk.used;
    if (wide)
        std::memcpy(out, line.utf16(), size_t(bytes));
    else
        std::transform(line.begin(), line.end(), out, [](QChar c) { return char(c.unicode()); });
    m_starts.push_back(std::uint32_t(chunk.used) | (wide ? wideFlag : 0u));
    chunk.used += bytes;
}

LogLines::Chunk& LogLines::chunkWithRoom(qsizetype bytes)
{
    if (m_chunks.empty() || m_chunks.back().capacity - m_chunks.back().used < bytes) {
        // A line longer than a chunk gets one of its own; it starts at 0, so
        // offsets always fit beside the flag bit.
        Chunk chunk;
        chunk.capacity = std::max(chunkBytes, bytes);
        chunk.bytes = std::make_unique_for_overwrite<char[]>(size_t(chunk.capacity));
        chunk.firstLine = m_removed + count();
        m_chunks.push_back(std::move(chunk));
    }
    return m_chunks.back();
}

void LogLines::removeFirst()
{
    if (m_starts.empty())
        return;
    m_starts.pop_front();
    ++m_removed;
    if (m_chunks.size() > 1 && m_chunks[1].firstLine <= m_removed)
        m_chunks.pop_front();
}

void LogLines::clear()
{
    m_chunks.clear();
    m_starts.clear();
    m_starts.shrink_to_fit();
    m_removed = 0;
}

qsizetype LogLines::chunkOf(qsizetype index) const
{
    const std::int64_t number = m_removed + index;
    const auto after = std::upper_bound(m_chunks.begin(), m_chunks.end(), number,
                                        [](std::int64_t n, const Chunk& c) { return n < c.firstLine; });
    return (after - m_chunks.begin()) - 1;
}

LogLines::Span LogLines::span(qsizetype index) const
{
    const qsizetype c = chunkOf(index);
    const Chunk& chunk = m_chunks[size_t(c)];
    const std::uint32_t start = m_starts[size_t(index)];
    const qsizetype begin = start & ~wideFlag;
    const bool nextInSameChunk = index + 1 < count()
        && (size_t(c) + 1 == m_chunks.size() || m_chunks[size_t(c) + 1].firstLine > m_removed + index + 1);
    const qsizetype end = nextInSameChunk ? qsizetype(m_starts[size_t(index) + 1] & ~wideFlag) : chunk.used;
    return {chunk.bytes.get() + begin, end - begin, (start & wideFlag) != 0};
}

QString LogLines::at(qsizetype index) const
{
    if (index < 0 || index >= count())
        return {};
    const Span s = span(index);
    if (!s.wide)
        return QString::fromLatin1(s.data, s.bytes);
    // Copied bytewise: a UTF-16 line may start at an odd offset.
    QString line(s.bytes / qsizetype(sizeof(char16_t)), Qt::Uninitialized);
    std::memcpy(line.data(), s.data, size_t(s.bytes));
    return line;
}

QStringList LogLines::toStringList() const
{
    QStringList lines;
    lines.reserve(count());
    for (qsizetype i = 0; i < count(); ++i)
        lines.append(at(i));
    return lines;
}

bool LogLines::writeTo(QIODevice& device) const
{
    constexpr qsizetype flushAt = 64 * 1024;
    QByteArray buffer;
    buffer.reserve(flushAt + 1024);
    const auto flush = [&] {
        const bool written = device.write(buffer) == buffer.size();
        buffer.resize(0);
        return written;
    };
    for (qsizetype i = 0; i < count(); ++i) {
        const Span s = span(i);
        const QByteArrayView bytes(s.data, s.bytes);
        if (s.wide || std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            buffer.append(at(i).toUtf8());
        else
            buffer.append(bytes);
        buffer.append("\r\n", 2);
        if (buffer.size() >= flushAt && !flush())
            return false;
    }
    return buffer.isEmpty() || flush();
}
