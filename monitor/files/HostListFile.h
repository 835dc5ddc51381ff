#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The host list file: one line per slot, host[;description[;threshold]].
class HostListFile {
public:
    static constexpr int MaxLines = 10;

    struct Line {
        QString host;
        std::optional<QString> description;  // absent: leave the slot's as it is
        std::optional<QString> threshold;
    };

    // No more than this is ever read of a host list file: ten lines within
    // the limits of HostEntryCheck take some 13 KB.
    static constexpr qint64 ReadLimit = 64 * 1024;

    // The first lines of the file (at most MaxLines), whatever their line
    // ends; see linesOf. Throws std::runtime_error, with a message that
    // names the file, when it is no regular file, cannot be read, or its
    // lines break the limits.
    static QStringList readLines(const QString& path);

    // The lines of a file's bytes that are used: the first MaxLines, read as
    // UTF-8 when they are valid UTF-8, otherwise as Latin-1. Only the first
    // ReadLimit bytes are looked at, and whether more follow. Throws
    // std::length_error when a host or a description of those lines is too
    // long, or the tenth line does not end within ReadLimit bytes.
    static QStringList linesOf(const QByteArray& bytes);

    // Splits the text of a file into lines at CR LF, LF or CR.
    static QStringList splitLines(const QString& text);

    // Nothing for an empty line, which leaves its slot unchanged.
    static std::optional<Line> parse(const QString& line);

    static QString compose(const QString& host, const QString& description, const QString& threshold);

    // Ten lines in UTF-8, CR LF between them and none after the last. Throws
    // std::runtime_error when the file cannot be written.
    static void save(const QString& path, const QStringList& lines);
};
