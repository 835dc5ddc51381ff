#pragma once

#include "XvfbDisplay.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <vector>

// A desktop for notifications on the session bus this test runs on: an X
// server of its own, dunst as the notification service, and dbus-monitor
// recording every Notify call and the id the service gave it.
class NotificationDesktop {
public:
    struct Call {
        QString appName;
        uint replaces = 0;
        QString icon;
        QString summary;
        QString body;
        QString hints;
        uint id = 0;
    };

    NotificationDesktop();
    ~NotificationDesktop();

    // Empty when the desktop stands; else what went wrong.
    QString failure() const { return m_failure; }
    QString display() const { return m_xserver.display(); }

    std::vector<Call> calls() const;

private:
    QTemporaryDir m_folder;
    XvfbDisplay m_xserver;
    QProcess m_service;
    QProcess m_monitor;
    QString m_failure;
};
