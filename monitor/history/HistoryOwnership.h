#pragma once

class HistoryConnection;

// Whether an opened file is a history of ours. A file of a newer schema, or
// one whose tables or views under our names are not ours, is another
// program's (or a later version's) to change: the writer leaves it as it is,
// and the view reads it only where it holds our tables and views as ours.
// Throws HistoryFailure (Foreign) with the reason.
namespace HistoryOwnership {

enum class Purpose { Write, Read };

void check(HistoryConnection& connection, Purpose purpose);

}
