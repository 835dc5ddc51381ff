#pragma once

#include <QStringList>

#include <cstdint>
#include <ostream>
#include <string>

class TPingThread;

// quorvane-echo: one worker with the inputs given on the command line, its
// outcome printed as "Field: value" lines.
class EchoCommand {
public:
    enum class Request { Echo, Help, Version, Error };

    struct Options {
        Request request = Request::Echo;
        QString error;  // one line, for Request::Error
        QString host;
        std::int32_t payloadSize = 0;
        std::int32_t timeOut = 0;
        std::int32_t ttl = 0;
        bool reverseLookup = false;
        int addressFamily = 0;  // 0: as the host text says; 4 or 6: only that family
    };

    static constexpr int ExitReply = 0;
    static constexpr int ExitNoReply = 1;
    static constexpr int ExitUsage = 2;
    static constexpr std::int32_t MaxPayloadSize = 65535;

    // Arguments without the program name. "--" ends the options, so that
    // what follows it is the host whatever it looks like.
    static Options parse(const QStringList& arguments);
    static const char* help();
    static std::string version();

    // Needs a running Qt application object; returns the exit status.
    static int run(const Options& options, std::ostream& out, std::ostream& err);

    static void printOutcome(const TPingThread& worker, std::ostream& out);
};
