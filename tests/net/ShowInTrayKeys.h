#pragma once

#include <QString>

// Ticks Options > Show in tray of the program's window on the test's
// display, by its keys, as a user would; it waits for nothing the program
// does.
void tickShowInTray(qint64 pid, const QString& display);
