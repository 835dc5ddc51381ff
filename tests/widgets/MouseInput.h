#pragma once

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

// Mouse events as the window system would deliver them, through the
// application, so that an exception a handler raises lands in its notify().
namespace MouseInput {

inline void Enter(QWidget& widget)
{
    const QPointF at(1, 1);
    QEnterEvent event(at, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &event);
}

inline void Leave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

inline void Release(QWidget& widget, Qt::MouseButton button, QPointF at = QPointF(2, 2))
{
    QMouseEvent event(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), button, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

}
