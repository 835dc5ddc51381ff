#pragma once

#include <QString>

#include <vector>

// What the tray tells at a glance: the worst state among the hosts polled,
// and a tool tip that names the hosts that are down.
struct TrayGlance {
    enum class Level { Idle, Answering, AboveThreshold, Down };

    struct Host {
        QString host;
        QString description;
        bool down = false;
        // As any of its graphs signals it: yellow or orange.
        bool aboveThreshold = false;
    };

    Level level = Level::Idle;
    QString toolTip;

    // Hosts in slot order, each host text once.
    static TrayGlance of(bool polling, const std::vector<Host>& hosts);
};
