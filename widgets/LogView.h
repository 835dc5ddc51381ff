#pragma once

#include "widgets/LogCaret.h"
#include "widgets/LogLines.h"

#include <QAbstractScrollArea>
#include <QString>
#include <QStringList>

#include <array>

class QIODevice;

// A read-only text box for logs that grow without bound. It keeps its lines
// in a LogLines store and draws only the rows in view, one line per row, so
// its cost per line is the store's rather than a text document's.
//
// Like a text box being appended to, it follows new lines when it is
// scrolled to the end and otherwise keeps the same lines in view. Scroll
// bars and repainting catch up once per pass of the event loop, however
// many lines arrive, and not at all while the view is hidden. The scrollable
// width is that of the widest line added since the last clear().
//
// Whole lines are selected with the mouse (click, shift-click, drag) and
// copied with Ctrl+C or the context menu, joined by "\n". The keys move a
// caret (LogCaret), whose line the view keeps in sight and frames while it
// has the focus; a screen reader hears it move.
class LogView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit LogView(QWidget* parent = nullptr);

    void addLine(const QString& line);
    void deleteFirstLine();
    void clear();

    qsizetype lineCount() const { return m_lines.count(); }
    // Empty outside [0, lineCount()).
    QString line(qsizetype index) const { return m_lines.at(index); }
    QStringList lines() const { return m_lines.toStringList(); }
    // Every line followed by "\r\n", as LogLines::writeTo() encodes it.
    bool saveTo(QIODevice& device) const { return m_lines.writeTo(device); }

    // The lines as a screen reader reads them: joined by "\n", offsets
    // counted in that text.
    qsizetype offsetOfLine(qsizetype index) const { return m_lines.charsBefore(index) + index; }
    qsizetype lineAtOffset(qsizetype offset) const;
    LogCaret caret() const { return m_caret; }
    qsizetype caretOffset() const { return offsetOfLine(m_caret.line) + m_caret.column; }
    void setCaret(LogCaret caret);

    bool hasSelection() const { return m_anchor >= 0; }
    QString selectedText() const;
    void selectAll();
    void copy() const;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void takeFontMetrics();
    void takeScrollStep();
    int widthOf(const QString& line) const;
    void measure(const QString& line);
    bool followsEnd() const;
    void scheduleSync(bool followEnd);
    void applyPendingSync();
    void updateScrollBars(bool followEnd);
    qsizetype rowsInView() const;
    qsizetype lineAt(int y) const;
    void moveSelectionEnd(qsizetype line);
    void scrollToLine(qsizetype line);

    LogLines m_lines;

    int m_lineHeight = 0;
    int m_ascent = 0;
    // Laying out a whole line costs microseconds, summing its characters'
    // advances a few nanoseconds; kerning, which that leaves out, changes a
    // log line's width by a pixel or two at most.
    std::array<qreal, 256> m_latin1Advances{};
    QString m_widestLine;
    int m_widest = 0;

    // Between a change and the next scroll bar update: whether the view is
    // to end up at the last line.
    bool m_syncPending = false;
    bool m_syncFollows = true;

    // Selected lines run from the anchor to the other end, both included;
    // -1 when nothing is selected.
    qsizetype m_anchor = -1;
    qsizetype m_selectionEnd = -1;
    bool m_selecting = false;

    LogCaret m_caret;
};
