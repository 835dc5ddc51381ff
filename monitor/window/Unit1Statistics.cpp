#include "monitor/window/Unit1.h"

#include "monitor/alerts/HostDownAlerts.h"
#include "monitor/controls/GraphImage.h"
#include "monitor/statistics/StatisticsToolTip.h"
#include "monitor/window/Slot.h"

#include "widgets/zavTransLabel.h"

#include <QHelpEvent>
#include <QToolTip>

// A control without a tooltip of its own passes the request on to its
// parents up to the window. The graph images have none, so their tooltip
// is made here, when it is asked for, and nothing is drawn before.
bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QWidget* hit = childAt(help->pos());
        for (int n = 1; n <= SlotCount; ++n) {
            if (hit != slot(n).image)
                continue;
            if (!showStatisticsToolTip(n, help->globalPos()))
                event->ignore();
            return true;
        }
    }
    return QMainWindow::event(event);
}

bool TForm1::showStatisticsToolTip(int n, const QPoint& globalPos)
{
    const Slot& s = slot(n);
    m_toolTipText = StatisticsToolTip::text(s.host(), s.descriptionLabel->Caption(), s.statistics,
                                            m_downAlerts->watch().downSince(s.host()));
    m_toolTipSlot = m_toolTipText.isEmpty() ? 0 : n;
    m_toolTipPos = globalPos;
    // An empty text hides whatever tooltip is shown.
    QToolTip::showText(globalPos, m_toolTipText, s.image, s.image->rect());
    return m_toolTipSlot != 0;
}

// While the tooltip of a slot is shown, every outcome of the slot shows it
// anew; once it is gone, or another control's took its place, nothing is
// made until it is asked for again.
void TForm1::refreshStatisticsToolTip(int n)
{
    if (n != m_toolTipSlot)
        return;
    if (QToolTip::isVisible() && QToolTip::text() == m_toolTipText)
        showStatisticsToolTip(n, m_toolTipPos);
    else
        m_toolTipSlot = 0;
}
