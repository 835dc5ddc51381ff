#include "monitor/app/Quorvane.h"
#include "monitor/threads/BackgroundThread.h"

#include "ping/start/Privileges.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (!Privileges::dropAtStart("quorvane"))
        return 1;
    const int status = Quorvane::run(argc, argv);
    // The D-Bus library's clean-up at exit would wait for a bus that hung
    // under a notifier's or the panel item's thread, and a history or
    // metrics thread may still be on a hung disk; everything else of ours
    // is closed by now.
    if (BackgroundThread::anyLeftBehind()) {
        std::fflush(nullptr);
        _exit(status);
    }
    return status;
}
