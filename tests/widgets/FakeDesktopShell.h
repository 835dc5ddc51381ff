#pragma once

#include "widgets/DesktopShell.h"

#include <QStringList>

// Stands in for the desktop shell while it lives: records every URL it is
// asked to open and answers with a chosen result (above 32 is success).
class FakeDesktopShell : public DesktopShell {
public:
    explicit FakeDesktopShell(int result = 42);
    ~FakeDesktopShell() override;
    FakeDesktopShell(const FakeDesktopShell&) = delete;
    FakeDesktopShell& operator=(const FakeDesktopShell&) = delete;

    int Open(const QString& url, const LaterFailure& failedLater) override;

    QStringList Opened;
    int Result;
};
