#pragma once

#include "ResponderLog.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

// One host's share of the two logs a network test reads: the requests the
// responder received and the records the program wrote.
namespace testnet {

// The requests to `host` as the responder received them, after the router's
// hop, leaving out the first `skip` entries of its log.
inline std::vector<ResponderLog::Entry> requestsTo(const char* host, std::size_t skip = 0)
{
    std::vector<ResponderLog::Entry> found;
    const auto log = ResponderLog::read();
    for (std::size_t i = skip; i < log.size(); ++i)
        if (log[i].dst == host)
            found.push_back(log[i]);
    return found;
}

// The program's log records that begin with `host`, as the host was written.
inline QStringList recordsOf(const QStringList& records, const QString& host)
{
    return records.filter(QRegularExpression("^" + QRegularExpression::escape(host) + ", "));
}

}
