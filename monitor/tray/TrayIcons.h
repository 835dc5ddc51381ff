#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QColor>
#include <QIcon>

// The tray's icon for each level: a disc in the level's colour, drawn at
// the sizes panels ask for, so that no panel scales a bitmap.
namespace TrayIcons {

QColor colourOf(TrayGlance::Level level);
QIcon of(TrayGlance::Level level);

}
