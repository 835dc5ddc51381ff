#pragma once

#include <QString>

#include <sys/types.h>

// The history's file and the two SQLite keeps beside it while it is open:
// its write-ahead log and the log's index.
class HistoryFiles {
public:
    explicit HistoryFiles(QString path);

    // Throws HistoryFailure, without opening anything, when one of the
    // three names holds something other than a regular file (a FIFO, a
    // device, a folder, a link to one): opening it could block or write
    // into something that is not ours.
    void refuseUnusual() const;

    // Notes which files the open connection writes into.
    void remember();
    // Whether the names still lead to the files remembered. Another
    // program that believed it alone had the file (after this process lost
    // its locks) may have deleted the write-ahead log, or the file may have
    // been moved or replaced: what is written then goes nowhere.
    bool unchanged() const;

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        bool exists = false;
        friend bool operator==(const Identity&, const Identity&) = default;
    };
    static Identity identify(const QString& path);

    QString m_path;
    Identity m_file;
    Identity m_log;
};
