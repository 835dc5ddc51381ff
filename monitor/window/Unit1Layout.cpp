#include "monitor/window/Unit1.h"

#include "monitor/window/WindowMetrics.h"

#include "widgets/LogView.h"
#include "widgets/ScreenCentre.h"
#include "widgets/zavWebLabel.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

using namespace WindowMetrics;

double TForm1::screenFactor() const
{
    double dpi = m_options.logicalDpi;
    if (dpi <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    }
    return dpi / 96.0;
}

void TForm1::applySize(int outerHeight, int linkTop, int logHeight)
{
    m_outerSize.setHeight(outerHeight);
    zavWebLabel1->move(zavWebLabel1->x(), linkTop);
    Memo1->resize(Memo1->width(), logHeight);
    setFixedSize(m_outerSize.width() - FrameWidth, m_outerSize.height() - CaptionAndFrameHeight);
    Panel1->resize(width(), TopBarHeight);
}

void TForm1::layoutCommand(int graphs)
{
    for (std::size_t i = 0; i < Layouts.size(); ++i) {
        const LayoutRow& layout = Layouts[i];
        m_layoutItems[i]->setChecked(layout.graphs == graphs);
        if (layout.graphs != graphs)
            continue;
        const double f = screenFactor();
        const double h = growth(f);
        const int height = roundHalfEven(h * layout.windowHeight);
        const int linkTop = scales(f) ? height - 75 : layout.linkTop;
        const int logHeight = roundHalfEven(h * layout.logHeight);
        for (std::size_t row = 0; row < m_rowPanels.size(); ++row)
            m_rowPanels[row]->setVisible(static_cast<int>(row) < layout.visibleRows);
        applySize(height, linkTop, logHeight);
        storeSetting("graphnumber", QString::number(graphs));
    }
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Centred once, when it first opens; later showings (after "Always on
    // top") leave it where the user put it.
    if (!m_placed && !event->spontaneous()) {
        m_placed = true;
        ScreenCentre::place(*this);
    }
}
