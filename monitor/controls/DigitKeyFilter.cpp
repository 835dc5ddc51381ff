#include "monitor/controls/DigitKeyFilter.h"

#include <QKeyEvent>

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    return !(text[0] >= '0' && text[0] <= '9');
}
