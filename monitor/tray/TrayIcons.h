#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QColor>
#include <QImage>

#include <vector>

// The tray's icon for each level: a disc in the level's colour, drawn at
// the sizes panels ask for, so that no panel scales a bitmap.
namespace TrayIcons {

QColor colourOf(TrayGlance::Level level);
// The disc at each size, smallest first; safe off the GUI thread.
std::vector<QImage> pictures(TrayGlance::Level level);

}
