#include "widgets/LogLines.h"

#include <QByteArray>
#include <QIODevice>

#include <zstd.h>

#include <algorithm>
#include <cstring>

namespace {

// A block of this many lines (some 200 KB of text) packs to within a few
// per cent of what a whole day packs to, and unpacks in a fraction of a
// millisecond when a scrolled view needs it.
constexpr std::size_t blockLines = 4096;
// Very long lines close a block sooner, so that no block grows unbounded.
constexpr std::size_t blockBytes = 256 * 1024;
// zstd's default: over 300 MB/s on one core here, a block in under a
// millisecond, and within a fifth of what its slowest levels reach on logs.
constexpr int packLevel = 3;

bool fitsLatin1(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

void putLength(std::string& out, std::uint64_t value)
{
    while (value >= 0x80) {
        out.push_back(char((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(char(value));
}

// A held line: its text's bytes, and whether they are UTF-16 code units.
struct Span {
    const char* data;
    qsizetype bytes;
    bool wide;
};

Span spanAt(const char* p)
{
    std::uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*p++);
        value |= std::uint64_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            break;
    }
    return {p, qsizetype(value >> 1), (value & 1) != 0};
}

qsizetype charsOf(const Span& s)
{
    return s.wide ? s.bytes / qsizetype(sizeof(char16_t)) : s.bytes;
}

QString textOf(const Span& s)
{
    if (!s.wide)
        return QString::fromLatin1(s.data, s.bytes);
    // Copied bytewise: a UTF-16 line may start at an odd offset.
    QString line(s.bytes / qsizetype(sizeof(char16_t)), Qt::Uninitialized);
    std::memcpy(line.data(), s.data, size_t(s.bytes));
    return line;
}

// Where each line of `bytes` starts.
void indexLines(const std::string& bytes, std::vector<std::uint32_t>& starts)
{
    starts.clear();
    for (std::size_t at = 0; at < bytes.size();) {
        starts.push_back(std::uint32_t(at));
        const Span s = spanAt(bytes.data() + at);
        at = std::size_t(s.data - bytes.data()) + std::size_t(s.bytes);
    }
}

} // namespace

LogLines::LogLines() = default;
LogLines::~LogLines() = default;

void LogLines::append(QStringView line)
{
    const bool wide = !fitsLatin1(line);
    const std::size_t bytes = wide ? std::size_t(line.size()) * sizeof(char16_t) : std::size_t(line.size());
    if (!m_open.starts.empty() && m_open.bytes.size() + bytes > blockBytes)
        seal();
    m_open.starts.push_back(std::uint32_t(m_open.bytes.size()));
    putLength(m_open.bytes, (std::uint64_t(bytes) << 1) | (wide ? 1u : 0u));
    const std::size_t at = m_open.bytes.size();
    m_open.bytes.resize(at + bytes);
    if (wide)
        std::memcpy(m_open.bytes.data() + at, line.utf16(), bytes);
    else
        std::transform(line.begin(), line.end(), m_open.bytes.begin() + std::ptrdiff_t(at),
                       [](QChar c) { return char(c.unicode()); });
    ++m_added;
    if (m_open.starts.size() >= blockLines)
        seal();
}

// Packs the open lines that are still kept into a block of their own.
void LogLines::seal()
{
    const std::size_t dropped = std::size_t(std::max<std::int64_t>(m_removed - m_openFirst, 0));
    if (dropped < m_open.starts.size()) {
        const std::size_t from = m_open.starts[dropped];
        const std::size_t bytes = m_open.bytes.size() - from;
        const std::size_t bound = ZSTD_compressBound(bytes);
        auto scratch = std::make_unique_for_overwrite<char[]>(bound);
        const std::size_t packed = ZSTD_compress(scratch.get(), bound, m_open.bytes.data() + from, bytes, packLevel);
        // Packing into a buffer of the bound cannot fail but for memory,
        // which the allocation above would have reported already.
        Block block;
        block.packedBytes = std::uint32_t(ZSTD_isError(packed) ? 0 : packed);
        block.packed = std::make_unique_for_overwrite<char[]>(block.packedBytes);
        std::memcpy(block.packed.get(), scratch.get(), block.packedBytes);
        block.bytes = std::uint32_t(bytes);
        for (std::size_t i = dropped; i < m_open.starts.size(); ++i)
            block.chars += charsOf(spanAt(m_open.bytes.data() + m_open.starts[i]));
        block.firstLine = m_openFirst + std::int64_t(dropped);
        block.endLine = m_added;
        m_blocks.push_back(std::move(block));
    }
    m_open.bytes.clear();
    m_open.starts.clear();
    m_openFirst = m_added;
}

void LogLines::removeFirst()
{
    if (count() == 0)
        return;
    ++m_removed;
    if (!m_blocks.empty() && m_blocks.front().endLine <= m_removed) {
        if (m_unpackedBlock == &m_blocks.front())
            m_unpackedBlock = nullptr;
        m_blocks.pop_front();
    }
}

void LogLines::clear()
{
    m_blocks.clear();
    m_open = Lines();
    m_unpacked = Lines();
    m_unpackedBlock = nullptr;
    m_openFirst = m_added = m_removed = 0;
}

const LogLines::Block* LogLines::blockOf(std::int64_t number) const
{
    const auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), number,
                                        [](std::int64_t n, const Block& b) { return n < b.firstLine; });
    return after == m_blocks.begin() ? nullptr : &*(after - 1);
}

void LogLines::unpack(const Block& block, Lines& into) const
{
    into.bytes.resize(block.bytes);
    const std::size_t got = ZSTD_decompress(into.bytes.data(), into.bytes.size(), block.packed.get(), block.packedBytes);
    if (ZSTD_isError(got) || got != block.bytes)
        into.bytes.assign(std::size_t(block.endLine - block.firstLine), '\0');
    indexLines(into.bytes, into.starts);
}

const char* LogLines::encoded(std::int64_t number) const
{
    if (number >= m_openFirst)
        return m_open.bytes.data() + m_open.starts[std::size_t(number - m_openFirst)];
    const Block* block = blockOf(number);
    if (block != m_unpackedBlock) {
        unpack(*block, m_unpacked);
        m_unpackedBlock = block;
    }
    return m_unpacked.bytes.data() + m_unpacked.starts[std::size_t(number - block->firstLine)];
}

QString LogLines::at(qsizetype index) const
{
    if (index < 0 || index >= count())
        return {};
    return textOf(spanAt(encoded(m_removed + index)));
}

qsizetype LogLines::charsBefore(qsizetype index) const
{
    const std::int64_t end = m_removed + std::clamp<qsizetype>(index, 0, count());
    return qsizetype(charsUpTo(end) - charsUpTo(m_removed));
}

std::int64_t LogLines::charsUpTo(std::int64_t number) const
{
    std::int64_t chars = 0;
    std::int64_t from = m_openFirst;
    for (const Block& block : m_blocks) {
        if (block.endLine <= number) {
            chars += block.chars;
            continue;
        }
        from = block.firstLine;
        break;
    }
    for (std::int64_t n = from; n < number; ++n)
        chars += charsOf(spanAt(encoded(n)));
    return chars;
}

// Every kept line, oldest first, each block unpacked once.
template <typename Visit>
void LogLines::forEachLine(Visit visit) const
{
    Lines lines;
    const auto visitFrom = [&](const Lines& held, std::int64_t first) {
        for (std::size_t i = std::size_t(std::max<std::int64_t>(m_removed - first, 0)); i < held.starts.size(); ++i)
            if (!visit(spanAt(held.bytes.data() + held.starts[i])))
                return false;
        return true;
    };
    for (const Block& block : m_blocks) {
        unpack(block, lines);
        if (!visitFrom(lines, block.firstLine))
            return;
    }
    visitFrom(m_open, m_openFirst);
}

QStringList LogLines::toStringList() const
{
    QStringList lines;
    lines.reserve(count());
    forEachLine([&](const Span& s) {
        lines.append(textOf(s));
        return true;
    });
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
    bool written = true;
    forEachLine([&](const Span& s) {
        const QByteArrayView bytes(s.data, s.bytes);
        if (s.wide || std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            buffer.append(textOf(s).toUtf8());
        else
            buffer.append(bytes);
        buffer.append("\r\n", 2);
        if (buffer.size() >= flushAt && !flush())
            written = false;
        return written;
    });
    return written && (buffer.isEmpty() || flush());
}
