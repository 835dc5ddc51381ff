#pragma once

#include <QProcess>
#include <QString>

// An X server of the test's own (Xvfb), at a display number it chose
// itself: the program is then on a display as on a desktop, where Qt's
// platform theme, tray and accessibility bridge reach the session bus.
class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();

    // Empty when the server runs; else what went wrong.
    QString failure() const { return m_failure; }
    // ":N"
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
    QString m_failure;
};
