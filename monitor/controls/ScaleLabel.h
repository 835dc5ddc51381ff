#pragma once

#include <QLabel>

// A scale label of a graph: shows a number of milliseconds and is heard as
// what it marks, "top of scale 40 ms".
class ScaleLabel : public QLabel {
    Q_OBJECT

public:
    explicit ScaleLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    void setMark(const QString& mark) { m_mark = mark; }
    QString spokenText() const { return m_mark + ' ' + text() + " ms"; }

private:
    QString m_mark;
};
