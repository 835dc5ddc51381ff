#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A session bus of the test's own (dbus-daemon) on a socket in a folder of
// its own, which can die and come back at the same address.
class SessionBusDaemon {
public:
    SessionBusDaemon();
    ~SessionBusDaemon();
    SessionBusDaemon(const SessionBusDaemon&) = delete;
    SessionBusDaemon& operator=(const SessionBusDaemon&) = delete;

    // Empty while a bus runs; else what went wrong.
    QString failure() const { return m_failure; }
    QString address() const { return m_address; }

    // Killed without a word to its clients, and a new bus started at the
    // same address.
    void restart();

private:
    void start();
    void kill();

    QTemporaryDir m_folder;
    QString m_address;
    QProcess m_daemon;
    QString m_failure;
};
