#pragma once

// Raises the soft limit of open files to the hard one. Each echo costs no
// descriptor, but a name lookup holds a few while the name servers take
// their time, and the desktop libraries take more as they please: the
// usual soft limit of 1024 is the first thing to run out, not the hard one.
void raiseOpenFileLimit();
