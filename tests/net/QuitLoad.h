#pragma once

#include "ResponderLog.h"
#include "TestNet.h"

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <string>

// What the quit-under-load tests share: ten slots whose echoes all sit out
// their five-second time-out, so that quitting meets a full load of them.
namespace quitload {

inline constexpr int InFlightWanted = 50;

// The silent test hosts by address and by name, and two of them again with
// blanks: the responder logs every request to them and answers none with a
// reply that matches.
inline QStringList silentHostLines()
{
    QStringList lines;
    for (const char* host : {testnet::Silent, testnet::SilentName, testnet::WrongId, testnet::WrongIdName,
                             testnet::WrongSeq, testnet::WrongSeqName, testnet::Truncated, testnet::TruncatedName})
        lines << QString(host) + ";silent;50";
    // Blanks around a host are trimmed before it is resolved.
    lines << QString(" ") + testnet::Silent + ";silent;50" << QString(testnet::WrongId) + " ;silent;50";
    return lines;
}

inline std::size_t requestsToSilentHosts()
{
    std::size_t count = 0;
    for (const auto& entry : testnet::ResponderLog::read()) {
        for (const char* host : {testnet::Silent, testnet::WrongId, testnet::WrongSeq, testnet::Truncated})
            count += entry.dst == host;
    }
    return count;
}

// A few rounds in every test run; the soak asks for many.
inline int rounds()
{
    const char* text = std::getenv("QV_QUIT_ROUNDS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 3;
}

}
