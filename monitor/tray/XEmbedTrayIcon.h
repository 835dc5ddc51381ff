#pragma once

#include "monitor/tray/TrayGlance.h"

#include <QImage>
#include <QWidget>

#include <vector>

class QMenu;

// The small native window that an XEmbed tray takes in: the disc of the
// worst state, drawn at the size the tray gives it, and the glance's text
// as its tool tip. A click asks for the window; the right button pops the
// tray's menu.
class XEmbedTrayIcon : public QWidget {
    Q_OBJECT

public:
    // Translucent where the tray offers a visual with alpha; else the disc
    // is drawn on the palette's window colour.
    XEmbedTrayIcon(QMenu* menu, bool translucent);

    void showGlance(TrayGlance::Level level, const QString& toolTip);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QMenu* m_menu = nullptr;
    std::vector<QImage> m_pictures;
};
