#pragma once

#include <QString>

// The files this process keeps open for its records while it runs: the
// history and what SQLite keeps beside it. A save or a metrics file under
// one of their names would replace a file still being written, and could
// drop SQLite's locks on it: such a name is refused. Thread-safe.
namespace RecordsInUse {

// The history at path, with its write-ahead log, its index and its journal.
void addHistory(const QString& path);
// Whether path names one of them, or another name of the same file.
bool holds(const QString& path);

}
