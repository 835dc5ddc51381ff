#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

class DBusTrayMenu;
class QDBusMessage;
class QDBusPendingCallWatcher;
class QTimer;
class StatusNotifierItem;

// The panel item's side on its own thread: finds and connects the session
// bus by a connection of its own, puts the StatusNotifierItem and its menu
// on it, and registers the item with the panel's watcher, again whenever a
// watcher appears. Nothing here blocks for longer than the bus is given to
// answer, and every call is asynchronous. A bus that cannot be had, or that
// is lost, is tried again after RetryMs, or at once when the item is wanted
// anew.
class TrayPanelSession : public QObject {
    Q_OBJECT

public:
    static constexpr int AnswerMs = 5000;
    static constexpr int RetryMs = 10 * 1000;

    TrayPanelSession();
    ~TrayPanelSession() override;

    // Unwanted, the connection is dropped: the panel sees the item's names
    // go with it.
    void setWanted(bool wanted);
    void show(TrayGlance::Level level, const QString& toolTip, bool polling);
    // Leaves the bus without a word to it, and ends this thread's loop.
    void end();

signals:
    // Whether a panel's watcher has taken the item.
    void onPanel(bool shown);
    void activated();
    void contextMenuAsked(QPoint at);
    void startStopChosen();
    void showChosen();
    void quitChosen();

private slots:
    void watcherChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void disconnected();

private:
    void attach();
    bool connectBus();
    void claimName();
    void registerItem();
    void leave();
    void ask(const QDBusMessage& call, std::function<void(const QDBusPendingCallWatcher&)> answered);
    void unavailable(const QString& reason);

    StatusNotifierItem* m_item = nullptr;
    DBusTrayMenu* m_menu = nullptr;
    QTimer* m_retry = nullptr;
    QString m_service;
    bool m_wanted = false;
    bool m_connected = false;
    bool m_named = false;
    bool m_told = false;
    // Answers that come for an earlier connection are not ours any more.
    int m_generation = 0;
};
