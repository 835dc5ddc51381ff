#pragma once

#include "monitor/alerts/HostDownWatch.h"
#include "monitor/window/SlotTable.h"

#include <QString>
#include <QVarLengthArray>

class TPingThread;

// What a finished echo means to the window, decided once for the reply
// processing and the down-watch alike. An error report, whether a router
// or the host itself sent it, arrives as a reply record, but the echo
// failed: a host that rejects echoes must not look alive with a 0 ms
// sample. A reply from another address is no answer of the pinged host.
struct EchoOutcome {
    enum class Kind {
        Reply,         // an echo reply from the pinged address
        ForeignReply,  // an echo reply from another address
        Failure,       // no reply, with a text that says why
        NotSent,       // no echo left: the echo client could not be had; no loss of the host's
        Untold,        // no reply and no text: nothing to show on a slot
    };

    const TPingThread& worker;
    // The one processing time that every stamp of this outcome is made from.
    Moment now;
    Kind kind;
    QString errorText;

    static EchoOutcome of(const TPingThread& worker, const Moment& now);

    bool answered() const { return kind == Kind::Reply || kind == Kind::ForeignReply; }
};

// The numbers of the slots whose host label shows one host text, found once
// per outcome.
using SlotNumbers = QVarLengthArray<int, SlotCount>;
