#pragma once

#include <QDateTime>

// A moment as the user reads it (wall) and as durations are measured
// (steadyMs, the monotonic clock): a step of the wall clock must neither
// delay a notice nor make a host down for an hour.
struct Moment {
    QDateTime wall;
    qint64 steadyMs = 0;

    static Moment now();
};
