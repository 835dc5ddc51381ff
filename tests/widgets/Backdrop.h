#pragma once

#include <QImage>
#include <QWidget>

// A parent that paints a known picture in which neighbouring pixels differ
// in every channel, so that a copy from the wrong place or a wrong tint
// shows up at once.
class Backdrop : public QWidget {
public:
    explicit Backdrop(QSize size = QSize(90, 60));

    static QRgb Pattern(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};
