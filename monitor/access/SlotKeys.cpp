#include "monitor/access/SlotKeys.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWidget>

namespace {

bool isEnter(const QKeyEvent& key)
{
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
           && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool asksForMenu(const QKeyEvent& key)
{
    return (key.key() == Qt::Key_Menu && key.modifiers() == Qt::NoModifier)
           || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

// The window system turns the Menu key into a context-menu event before
// the key itself arrives; a mouse's right click keeps its own way.
bool asksForMenuByKey(const QEvent& event)
{
    return event.type() == QEvent::ContextMenu
           && static_cast<const QContextMenuEvent&>(event).reason() == QContextMenuEvent::Keyboard;
}

}

SlotKeys::SlotKeys(QWidget* image, QWidget* pollLog, Commands commands)
    : QObject(image)
    , m_image(image)
    , m_pollLog(pollLog)
    , m_commands(std::move(commands))
{
    image->installEventFilter(this);
    pollLog->installEventFilter(this);
}

bool SlotKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_image && asksForMenuByKey(*event)) {
        event->accept();
        m_commands.openMenu();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const std::function<void()>* command = nullptr;
    if (watched == m_image && asksForMenu(key))
        command = &m_commands.openMenu;
    else if (watched == m_image && isEnter(key))
        command = &m_commands.showPollLog;
    else if (watched == m_pollLog && (isEnter(key) || (key.key() == Qt::Key_Escape && key.modifiers() == Qt::NoModifier)))
        command = &m_commands.hidePollLog;
    if (!command)
        return false;
    event->accept();
    (*command)();
    return true;
}
