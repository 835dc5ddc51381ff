#pragma once

#include <QString>

#include <functional>

class QIODevice;

// A file the user saves (a poll log, a graph, a host list) appears whole
// under its name or not at all: it is written beside the name and renamed
// onto it only when every byte is down. A name that leads to a FIFO or a
// device is refused before anything is opened for writing, so that the
// window never waits on a reader.
class WholeFileSave {
public:
    // write puts the contents into the file it is given; false on failure.
    // Throws std::runtime_error "<failure> \"<path>\": <reason>".
    static void save(const QString& path, const QString& failure, const std::function<bool(QIODevice&)>& write);
    // Throws as save() does when path leads to anything but a regular file,
    // or names one of the records this program keeps open (RecordsInUse);
    // a missing one passes.
    static void refuseIfNotRegular(const QString& path, const QString& failure);
};
