#include "monitor/window/Unit1.h"

#include "monitor/controls/GraphImage.h"
#include "monitor/window/Slot.h"

#include "widgets/LogView.h"

#include <QApplication>
#include <QFocusFrame>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

// After the top bar, slot by slot: the graph (or the poll log shown in its
// place), then the "T" button and the threshold panel it opens; the
// combined log last. The keys of graphs and poll logs are connected with
// the other handlers.
void TForm1::buildKeyboardAccess()
{
    QWidget* previous = Button1;
    QList<QWidget*> framed;
    const auto next = [&previous](QWidget* control) {
        setTabOrder(previous, control);
        previous = control;
    };
    for (int n = 1; n <= SlotCount; ++n) {
        Slot& s = slot(n);
        next(s.image);
        next(s.pollLog);
        next(s.toggleButton);
        next(s.thresholdEdit);
        next(s.closeButton);
        framed << s.image << s.pollLog;
    }
    next(Memo1);

    // Drawn around the graph or the poll log in its place, under it: the
    // picture's own pixels never change with the focus, and the poll log,
    // which shows no focus of its own, shows where the keys go.
    m_graphFocusFrame = new QFocusFrame(centralWidget());
    m_graphFocusFrame->setObjectName("GraphFocusFrame");
    // Connected for as long as the frame lives: the window's controls go
    // before the window does, and each takes its focus along.
    QFocusFrame* frame = m_graphFocusFrame;
    connect(qApp, &QApplication::focusChanged, frame, [frame, framed](QWidget*, QWidget* now) {
        frame->setWidget(framed.contains(now) ? now : nullptr);
    });
}

void TForm1::openGraphMenu(int n)
{
    const Slot& s = slot(n);
    s.popup->popup(s.image->mapToGlobal(s.image->rect().center()));
    // Opened by key, the menu starts at its first item, as a menu bar's
    // menus do: the arrows then walk it from there.
    s.popup->setActiveAction(s.popup->actions().value(0));
}
