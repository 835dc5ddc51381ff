#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QObject>
#include <QPoint>

#include <memory>

class BackgroundThread;
class TrayPanelSession;

// The StatusNotifierItem seen from the GUI thread: the item is served on a
// thread of its own ("tray", TrayPanelSession), by a bus connection of its
// own; the window only posts to it, and hears back through queued signals,
// so that no state of the bus ever holds the window, nor the quit.
class TrayPanel : public QObject {
    Q_OBJECT

public:
    // How long the quit waits for the thread, which leaves the bus in less.
    static constexpr int QuitWaitMs = 300;

    explicit TrayPanel(QObject* parent = nullptr);
    ~TrayPanel() override;

    void setWanted(bool wanted);
    void show(TrayGlance::Level level, const QString& toolTip, bool polling);

signals:
    void onPanel(bool shown);
    void activated();
    void contextMenuAsked(QPoint at);
    void startStopChosen();
    void showChosen();
    void quitChosen();

private:
    TrayPanelSession* m_session;  // lives on m_thread
    std::unique_ptr<BackgroundThread> m_thread;
};
