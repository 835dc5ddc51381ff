#pragma once

#include <QStringList>
#include <QWidget>

// The hidden holder of the current host list file's lines.
class HostListHolder : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    void setLines(const QStringList& lines);
    void deleteLastLine();
    int lineCount() const { return static_cast<int>(m_lines.size()); }
    QString line(int index) const { return m_lines.value(index); }
    const QStringList& lines() const { return m_lines; }

signals:
    void linesChanged();

private:
    QStringList m_lines;
};
