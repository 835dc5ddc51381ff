#include "monitor/tray/XEmbedTrayIcon.h"

#include "monitor/tray/TrayIcons.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Trays give their icons 16 to 24 pixels, some more.
constexpr int StartSide = 22;

}

// Bypassing the window manager: the window is a toplevel only until the
// tray takes it in, and must not be framed or placed meanwhile.
XEmbedTrayIcon::XEmbedTrayIcon(QMenu* menu, bool translucent)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint)
    , m_menu(menu)
    , m_pictures(TrayIcons::pictures(TrayGlance::Level::Idle))
{
    setObjectName("TrayIcon1");
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    resize(StartSide, StartSide);
}

void XEmbedTrayIcon::showGlance(TrayGlance::Level level, const QString& toolTip)
{
    m_pictures = TrayIcons::pictures(level);
    setToolTip(toolTip);
    update();
}

// The smallest picture that covers the side, so that it is only ever
// scaled down.
void XEmbedTrayIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!testAttribute(Qt::WA_TranslucentBackground))
        painter.fillRect(rect(), palette().window());
    const int side = std::min(width(), height());
    const auto covering = std::find_if(m_pictures.begin(), m_pictures.end(),
                                       [side](const QImage& picture) { return picture.width() >= side; });
    const QImage& picture = covering == m_pictures.end() ? m_pictures.back() : *covering;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect((width() - side) / 2, (height() - side) / 2, side, side), picture);
}

void XEmbedTrayIcon::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    else if (event->button() == Qt::RightButton)
        m_menu->popup(event->globalPosition().toPoint());
}
