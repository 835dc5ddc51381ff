#pragma once

#include <QString>

#include <functional>
#include <optional>

#include <sys/types.h>

class QIODevice;

// The one way this program replaces a whole file (a poll log, a graph, a
// host list, an export, the metrics file): it is written beside the name
// and renamed onto it only when every byte is down, so that a reader sees
// the old file or the new one, never half of one. A name that leads to a
// FIFO or a device is refused before anything is opened for writing, so
// that no thread waits on a reader; a symbolic link is followed, so that
// the file it leads to is replaced, not the link.
class WholeFileSave {
public:
    struct Way {
        // On disk before the rename, where losing the new file to a crash
        // would lose the user's work; not for a file written anew each
        // second.
        bool synced = true;
        // The new file's mode; by default an existing file's, or what the
        // user's umask leaves of 0666.
        std::optional<mode_t> mode;
    };

    // write puts the contents into the file it is given; false on failure.
    // Throws std::runtime_error "<failure> \"<path>\": <reason>".
    static void save(const QString& path, const QString& failure, const std::function<bool(QIODevice&)>& write,
                     const Way& way);
    static void save(const QString& path, const QString& failure, const std::function<bool(QIODevice&)>& write)
    {
        save(path, failure, write, Way());
    }
    // Throws as save() does when path leads to anything but a regular file,
    // or names one of the records this program keeps open (RecordsInUse);
    // a missing one passes.
    static void refuseIfNotRegular(const QString& path, const QString& failure);
};
