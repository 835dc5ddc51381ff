#include "ping/EchoCommand.h"
#include "ping/WorkerRegistry.h"
#include "ping/start/OpenFileLimit.h"
#include "ping/start/Privileges.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    raiseOpenFileLimit();
    if (!Privileges::dropAtStart("quorvane-echo"))
        return EchoCommand::ExitNoReply;
    QCoreApplication app(argc, argv);
    const auto options = EchoCommand::parse(app.arguments().mid(1));
    if (options.request == EchoCommand::Request::Error) {
        std::cerr << options.error.toStdString() << '\n';
        return EchoCommand::ExitUsage;
    }
    if (options.request != EchoCommand::Request::Echo) {
        std::cout << (options.request == EchoCommand::Request::Help ? EchoCommand::help() : EchoCommand::version());
        return 0;
    }
    const WorkerShutdown shutdown;
    return EchoCommand::run(options, std::cout, std::cerr);
}
