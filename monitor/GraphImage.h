#pragma once

#include <QImage>
#include <QWidget>

// The image control of a slot: shows the copy of its graph's picture that
// it was last given, and reports double-clicks and context-menu requests.
class GraphImage : public QWidget {
    Q_OBJECT

public:
    explicit GraphImage(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
};
