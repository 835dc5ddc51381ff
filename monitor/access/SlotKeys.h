#pragma once

#include <QObject>

#include <functional>

class QWidget;

// The keys of one slot's graph and poll log, for those who work without a
// mouse: the Menu key and Shift+F10 open the graph's menu, Enter shows the
// poll log as a double-click does, and Enter or Escape on the poll log
// brings the graph back.
class SlotKeys : public QObject {
public:
    struct Commands {
        std::function<void()> openMenu;
        std::function<void()> showPollLog;
        std::function<void()> hidePollLog;
    };

    SlotKeys(QWidget* image, QWidget* pollLog, Commands commands);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_image;
    QWidget* m_pollLog;
    Commands m_commands;
};
