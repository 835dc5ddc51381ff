#pragma once

#include <QString>

// The log file: one record per outcome, each appended by its own
// open-write-close, so that every record is on disk before the next step.
class LogFile {
public:
    // The program's folder, the stamp's last path component, ".log". A
    // stamp that names a path (a host list given with its folder) would
    // otherwise point the log into a folder that may not exist.
    static QString pathFor(const QString& programFolder, const QString& stamp);

    // Throws std::runtime_error with a clear message when the record cannot
    // be written; the file is then as it was before.
    static void append(const QString& path, const QString& record);
};
