#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct EchoOutcome;

// One echo as the history keeps it: who, when it was sent (UTC ms), what
// came back.
struct HistoryEcho {
    // Stored as these numbers; the database's `echoes` view spells them out.
    enum class Outcome : std::uint8_t { Reply = 0, Timeout = 1, Failure = 2, OtherAddress = 3 };
    static constexpr int NoTime = -1;

    QString host;
    qint64 atMs = 0;
    int rttMs = NoTime;  // NoTime: no reply came
    Outcome outcome = Outcome::Failure;
    // The failure's text, or the address another reply came from.
    QString text;

    // An outcome with nothing to tell still leaves a record in the log
    // file; it is kept as a failure without a text, so that the two agree.
    static HistoryEcho of(const EchoOutcome& outcome);

    bool lost() const { return outcome != Outcome::Reply; }
    static const char* outcomeName(Outcome outcome);
};

using HistoryBatch = std::vector<HistoryEcho>;
