#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <deque>
#include <memory>

class QIODevice;

// Text lines in arrival order, kept compactly because a poll log is never
// trimmed: ten hosts polled every second add close to a million lines a day
// and the program runs for weeks.
//
// A line whose characters all lie in Latin-1 (nearly every log line) is kept
// as one byte per character; any other line as its UTF-16 code units, so
// every string comes back exactly as it was added. The bytes live in large
// chunks that are never moved; each line costs one 32-bit entry besides its
// text. Dropping the oldest line is O(1), and frees its chunk once no line in
// it is left, unless newer lines are still being added to that chunk.
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

    qsizetype count() const { return static_cast<qsizetype>(m_starts.size()); }
    QString at(qsizetype index) const;
    QStringList toStringList() const;

    // Each line in UTF-8 followed by "\r\n", so that the file has one
    // encoding whatever its lines hold.
    // False when the device refuses to take everything.
    bool writeTo(QIODevice& device) const;

private:
    struct Chunk {
        std::unique_ptr<char[]> bytes;
        qsizetype capacity = 0;
        qsizetype used = 0;
        // The number its first line had when it was added.
        std::int64_t firstLine = 0;
    };
    struct Span {
        const char* data;
        qsizetype bytes;
        bool wide;
    };

    Span span(qsizetype index) const;
    qsizetype chunkOf(qsizetype index) const;
    Chunk& chunkWithRoom(qsizetype bytes);

    std::deque<Chunk> m_chunks;
    // Per line: the offset of its first byte in its chunk, with the top bit
    // marking UTF-16 text.
    std::deque<std::uint32_t> m_starts;
    // Lines removed from the front since the last clear(). A line's number
    // is this plus its position, so removing a line renumbers no chunk.
    std::int64_t m_removed = 0;
};
