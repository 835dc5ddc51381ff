#include "widgets/ScreenCentre.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void ScreenCentre::place(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        return;
    const QRect free = screen->availableGeometry();
    QRect frame = window.frameGeometry();
    frame.moveCenter(free.center());
    window.move(std::max(frame.left(), free.left()), std::max(frame.top(), free.top()));
}
