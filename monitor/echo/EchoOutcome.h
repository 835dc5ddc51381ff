#pragma once

#include "monitor/echo/Moment.h"
#include "monitor/echo/SentEcho.h"
#include "monitor/echo/SignalLevel.h"
#include "monitor/echo/SlotNumbers.h"

#include <QString>

#include <cstdint>

class TPingThread;

// What a finished echo means, decided once, as a value, for the reply
// processing and every listener alike: none of them reads the worker or the
// slots again. An error report, whether a router or the
// host itself sent it, arrives as a reply record, but the echo failed: a
// host that rejects echoes must not look alive with a 0 ms sample. A reply
// from another address is no answer of the pinged host.
struct EchoOutcome {
    enum class Kind {
        Reply,         // an echo reply from the pinged address
        ForeignReply,  // an echo reply from another address
        Failure,       // no reply, with a text that says why
        NotSent,       // no echo left: the echo client could not be had; no loss of the host's
        Untold,        // no reply and no text: nothing to show on a slot
    };

    QString host;
    SentEcho sent;
    // The one processing time that every stamp of this outcome is made from.
    Moment now;
    Kind kind = Kind::Untold;
    // Whether the echo's status was the time-out, which the history keeps
    // apart from the other failures.
    bool timedOut = false;
    std::uint32_t roundTripMs = 0;
    std::uint16_t replyDataSize = 0;
    QString replyAddress;
    QString errorText;

    // The slots that show the host (none once no slot shows it any more),
    // the first description among them, and, once they took the outcome,
    // the highest signal level among them.
    SlotNumbers showing;
    QString description;
    Signal::Level level = Signal::Level::Normal;

    static EchoOutcome of(const TPingThread& worker, const SentEcho& sent, const Moment& now);

    bool answered() const { return kind == Kind::Reply || kind == Kind::ForeignReply; }
};
