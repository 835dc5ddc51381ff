#pragma once

#include "monitor/echo/SignalLevel.h"

#include <QString>

#include <vector>

// One host text as the slots show it: the first description among the
// slots that show it, in slot order, and the highest signal level among
// them. Worked out in one place, the window's, for every listener.
struct ShownHost {
    QString host;
    QString description;
    Signal::Level level = Signal::Level::Normal;

    bool operator==(const ShownHost&) const = default;
};

// Each host text once, in slot order.
using ShownHosts = std::vector<ShownHost>;
