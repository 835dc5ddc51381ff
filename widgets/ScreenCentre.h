#pragma once

#include <QMargins>

class QWidget;

// Places a top-level window so that its frame stands in the middle of the
// free area of its screen. A window taller or wider than that area keeps
// its caption and left edge on the screen.
namespace ScreenCentre {

// Before a window is first mapped, X11 desktops have not yet told how wide
// its frame is; this stands in for it until they have.
inline constexpr QMargins UsualFrame{4, 26, 4, 4};

void place(QWidget& window, QMargins frameUntilKnown = UsualFrame);

}
