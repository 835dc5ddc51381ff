#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class QIODevice;

// Text lines in arrival order, kept compactly because a poll log is never
// trimmed: ten hosts polled every second add close to a million lines a day
// and the program runs for weeks.
//
// A line whose characters all lie in Latin-1 (nearly every log line) is kept
// as one byte per character; any other line as its UTF-16 code units, so
// every string comes back exactly as it was added. Each line is preceded by
// its length. The newest lines stay as they are; every few thousand lines
// they are packed into one block with zstd, which takes a day's lines of one
// host, alike but for their numbers, to a few bytes each. Reading an older
// line unpacks its block once and keeps it for the reads that follow, as a
// scrolled view makes them. Dropping the oldest line is O(1) and frees its
// block once no line in it is left.
//
// Positions are zero-based from the oldest line still kept; reading outside
// [0, count()) yields an empty string.
class LogLines {
public:
    LogLines();
    ~LogLines();
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    void append(QStringView line);
    void removeFirst();
    void clear();

    qsizetype count() const { return qsizetype(m_added - m_removed); }
    QString at(qsizetype index) const;
    // The characters of the kept lines before line `index` (clamped to
    // [0, count()]): where it starts in the lines joined without separators.
    // Counts whole blocks by their totals, so that a screen reader's
    // offsets cost no unpacking of a month's lines.
    qsizetype charsBefore(qsizetype index) const;
    QStringList toStringList() const;

    // Each line in UTF-8 followed by "\r\n", so that the file has one
    // encoding whatever its lines hold.
    // False when the device refuses to take everything.
    bool writeTo(QIODevice& device) const;

private:
    // Lines as they are held before and after packing: each one's length
    // and width, then its bytes; `starts` says where each line begins.
    struct Lines {
        std::string bytes;
        std::vector<std::uint32_t> starts;
    };
    struct Block {
        std::unique_ptr<char[]> packed;
        std::uint32_t packedBytes = 0;
        std::uint32_t bytes = 0;
        std::int64_t chars = 0;
        // The numbers of its first line and of the line after its last.
        std::int64_t firstLine = 0;
        std::int64_t endLine = 0;
    };

    void seal();
    const Block* blockOf(std::int64_t number) const;
    void unpack(const Block& block, Lines& into) const;
    // The held bytes of line `number`, from its length on.
    const char* encoded(std::int64_t number) const;
    template <typename Visit>
    void forEachLine(Visit visit) const;
    // Characters of the held lines from the oldest one held up to `number`.
    std::int64_t charsUpTo(std::int64_t number) const;

    std::deque<Block> m_blocks;
    // The newest lines, from number m_openFirst on, not packed yet.
    Lines m_open;
    std::int64_t m_openFirst = 0;
    // Lines are numbered from the last clear(); the kept ones are
    // [m_removed, m_added), so removing a line renumbers nothing.
    std::int64_t m_added = 0;
    std::int64_t m_removed = 0;
    // The one block last unpacked for reading.
    mutable Lines m_unpacked;
    mutable const Block* m_unpackedBlock = nullptr;
};
