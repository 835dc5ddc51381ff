#pragma once

class QWidget;

// Places a top-level window so that its frame stands in the middle of the
// free area of its screen. A window taller or wider than that area keeps
// its caption and left edge on the screen.
namespace ScreenCentre {

void place(QWidget& window);

}
