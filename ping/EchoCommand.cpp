#include "ping/EchoCommand.h"

#include "ping/EchoService.h"
#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"
#include "ping/start/PermissionAdvice.h"

#include "common/ProductIdentity.h"

#include <QCoreApplication>

namespace {

std::optional<std::int32_t> parseInt32(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<std::int32_t>(value) : std::nullopt;
}

EchoCommand::Options usageError(const QString& message)
{
    EchoCommand::Options options;
    options.request = EchoCommand::Request::Error;
    options.error = "quorvane-echo: " + message + " (try 'quorvane-echo --help')";
    return options;
}

}

const char* EchoCommand::help()
{
    return "Usage: quorvane-echo [-s PAYLOAD] [-w TIMEOUT_MS] [-t TTL] [-r] [-4|-6] [--] HOST\n"
           "Send one ICMP echo request to HOST (a name, an IPv4 or an IPv6 address)\n"
           "and print its outcome, one \"Field: value\" line per field.\n"
           "\n"
           "  -s PAYLOAD     payload size in bytes, at most 65535 (default 56)\n"
           "  -w TIMEOUT_MS  time-out in milliseconds (default 4000)\n"
           "  -t TTL         time-to-live (default 64)\n"
           "  -r             look the replying address up by name\n"
           "  -4, -6         use only IPv4 or only IPv6 addresses of HOST (not both)\n"
           "  -h, --help     show this help and exit\n"
           "  -V, --version  show the version and exit\n"
           "  --             end of options: what follows is HOST\n"
           "\n"
           "Exit status: 0 when an echo reply came, 1 when none did (an error report\n"
           "is none), 2 on a usage error.\n";
}

std::string EchoCommand::version()
{
    return std::string("quorvane-echo (") + ProductIdentity::DisplayName + ") " + ProductIdentity::Version + "\nLicense: "
           + ProductIdentity::License + "\n";
}

EchoCommand::Options EchoCommand::parse(const QStringList& arguments)
{
    Options options;
    const qsizetype endMark = arguments.indexOf("--");
    const qsizetype optionsEnd = endMark < 0 ? arguments.size() : endMark;
    const QStringList optionPart = arguments.mid(0, optionsEnd);
    if (optionPart.contains("-h") || optionPart.contains("--help")) {
        options.request = Request::Help;
        return options;
    }
    if (optionPart.contains("-V") || optionPart.contains("--version")) {
        options.request = Request::Version;
        return options;
    }
    QStringList hosts = arguments.mid(optionsEnd + 1);
    for (qsizetype i = 0; i < optionsEnd; ++i) {
        const QString& argument = arguments[i];
        if (argument == "-r") {
            options.reverseLookup = true;
            continue;
        }
        if (argument == "-4" || argument == "-6") {
            const int family = argument == "-4" ? 4 : 6;
            if (options.addressFamily != 0 && options.addressFamily != family)
                return usageError("-4 and -6 exclude each other");
            options.addressFamily = family;
            continue;
        }
        std::int32_t* target = argument == "-s" ? &options.payloadSize
                             : argument == "-w" ? &options.timeOut
                             : argument == "-t" ? &options.ttl
                                                : nullptr;
        if (target) {
            if (i + 1 >= optionsEnd)
                return usageError("option " + argument + " needs a value");
            const auto value = parseInt32(arguments[++i]);
            if (!value)
                return usageError("option " + argument + " takes a whole number, not " + arguments[i]);
            *target = *value;
            continue;
        }
        if (argument.startsWith('-') && argument != "-")
            return usageError("unknown option " + argument);
        hosts << argument;
    }
    // The engine takes the time-out as unsigned: -1 would wait 49 days.
    if (options.timeOut < 0)
        return usageError("the time-out may not be negative: -w " + QString::number(options.timeOut));
    // The request carries its size in 16 bits: more would be sent cut.
    if (options.payloadSize > MaxPayloadSize)
        return usageError(QString("the payload may be at most %1 bytes: -s %2").arg(MaxPayloadSize).arg(options.payloadSize));
    if (hosts.isEmpty())
        return usageError("no HOST given");
    if (hosts.size() > 1)
        return usageError("one HOST only, not " + hosts.join(' '));
    options.host = hosts.front();
    return options;
}

void EchoCommand::printOutcome(const TPingThread& w, std::ostream& out)
{
    out << "HostText: " << w.HostText.toStdString() << '\n'
        << "HostIP: " << w.HostIP.toStdString() << '\n'
        << "ReplyAddress: " << w.ReplyAddress.toStdString() << '\n'
        << "ReplyStatus: " << w.ReplyStatus << '\n'
        << "RoundTripTime: " << w.RoundTripTime << '\n'
        << "ReplyDataSize: " << w.ReplyDataSize << '\n'
        << "ReplyCount: " << w.ReplyCount << '\n'
        << "ReplyHostName: " << w.ReplyHostName.toStdString() << '\n'
        << "ErrorNumber: " << w.ErrorNumber << '\n'
        << "ErrorText: " << w.ErrorText.toStdString() << '\n';
}

int EchoCommand::run(const Options& options, std::ostream& out, std::ostream& err)
{
    int status = ExitNoReply;
    auto* worker = new TPingThread;
    RegisterWorker(worker);
    worker->OnTerminate = [&](QObject* sender) {
        const auto* done = qobject_cast<TPingThread*>(sender);
        if (!done)
            return;
        printOutcome(*done, out);
        out.flush();
        if (!done->ConstructionError.isEmpty())
            err << "quorvane-echo: "
                << PermissionAdvice::text(done->ConstructionError).toStdString()
                << '\n';
        // A router's or the host's own error report is a reply record, not an
        // answer: only a true echo reply counts as one here.
        status = done->ReplyCount != 0 && done->ReplyStatus == IpStatus::Success ? ExitReply : ExitNoReply;
        QCoreApplication::quit();
    };
    worker->HostText = options.host;
    worker->ReverseLookup = options.reverseLookup;
    worker->AddressFamily = options.addressFamily;
    worker->PayloadSize = options.payloadSize;
    worker->TimeOut = options.timeOut;
    worker->Ttl = options.ttl;
    worker->Resume();
    QCoreApplication::exec();
    return status;
}
