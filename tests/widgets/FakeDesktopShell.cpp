#include "FakeDesktopShell.h"

FakeDesktopShell::FakeDesktopShell(int result)
    : Result(result)
{
    DesktopShell::Install(this);
}

FakeDesktopShell::~FakeDesktopShell()
{
    DesktopShell::Install(nullptr);
}

int FakeDesktopShell::Open(const QString& url, const LaterFailure&)
{
    Opened.append(url);
    return Result;
}
