#include "widgets/ScreenCentre.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

void ScreenCentre::place(QWidget& window, QMargins frameUntilKnown)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        return;
    const QWindow* handle = window.windowHandle();
    const QMargins known = handle ? handle->frameMargins() : QMargins();
    const QMargins frame = known.isNull() ? frameUntilKnown : known;
    const QRect free = screen->availableGeometry();
    QRect outer(QPoint(), window.size().grownBy(frame));
    outer.moveCenter(free.center());
    outer.moveTopLeft({std::max(outer.left(), free.left()), std::max(outer.top(), free.top())});
    window.setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), window.size()));
}
