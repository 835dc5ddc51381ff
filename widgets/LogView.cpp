#include "widgets/LogView.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QtMath>

#include <algorithm>

namespace {

// The space a plain text box leaves between its frame and its text.
constexpr int margin = 4;

} // namespace

LogView::LogView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    takeScrollStep();
}

void LogView::addLine(const QString& line)
{
    const bool follow = followsEnd();
    m_lines.append(line);
    measure(line);
    scheduleSync(follow);
}

void LogView::deleteFirstLine()
{
    if (m_lines.count() == 0)
        return;
    const bool follow = followsEnd();
    m_lines.removeFirst();
    if (m_anchor >= 0) {
        --m_anchor;
        --m_selectionEnd;
        if (std::max(m_anchor, m_selectionEnd) < 0) {
            m_anchor = m_selectionEnd = -1;
        } else {
            m_anchor = std::max<qsizetype>(m_anchor, 0);
            m_selectionEnd = std::max<qsizetype>(m_selectionEnd, 0);
        }
    }
    if (m_caret.line > 0)
        --m_caret.line;
    else
        m_caret.column = 0;
    // Someone reading further up keeps the same lines in front of them.
    QScrollBar* bar = verticalScrollBar();
    if (!follow && bar->value() > 0)
        bar->setValue(bar->value() - 1);
    scheduleSync(follow);
}

void LogView::clear()
{
    m_lines.clear();
    m_widestLine.clear();
    m_widest = 0;
    m_anchor = m_selectionEnd = -1;
    m_selecting = false;
    m_caret = {};
    // An empty box is at its end, wherever it was scrolled to before.
    scheduleSync(true);
    m_syncFollows = true;
}

QString LogView::selectedText() const
{
    if (!hasSelection())
        return {};
    const qsizetype first = std::min(m_anchor, m_selectionEnd);
    const qsizetype last = std::max(m_anchor, m_selectionEnd);
    QString text = m_lines.at(first);
    for (qsizetype i = first + 1; i <= last; ++i) {
        text += QLatin1Char('\n');
        text += m_lines.at(i);
    }
    return text;
}

void LogView::selectAll()
{
    if (m_lines.count() == 0)
        return;
    m_anchor = 0;
    m_selectionEnd = m_lines.count() - 1;
    viewport()->update();
}

void LogView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

// The font engine keeps its average width: asking it costs little, unlike
// measuring every character.
void LogView::takeScrollStep()
{
    horizontalScrollBar()->setSingleStep(qCeil(QFontMetricsF(font()).averageCharWidth() * 2));
}

// Every view of a font shares one table: the window holds some twenty
// views in the same font, and measuring 256 characters is most of what
// creating one costs. A view takes it at its first need (a line, a size, a
// paint), so that the views that start hidden and empty cost a start
// nothing.
void LogView::takeFontMetrics()
{
    struct Table {
        int lineHeight;
        int ascent;
        int singleStep;
        std::array<qreal, 256> advances;
    };
    static QHash<QString, Table> tables;
    const QString key = font().key();
    auto found = tables.constFind(key);
    if (found == tables.constEnd()) {
        const QFontMetrics rows(font());
        const QFontMetricsF metrics(font());
        Table table{rows.lineSpacing(), rows.ascent(), qCeil(metrics.averageCharWidth() * 2), {}};
        for (char16_t c = 0; c < table.advances.size(); ++c)
            table.advances[c] = metrics.horizontalAdvance(QChar(c));
        found = tables.insert(key, table);
    }
    m_lineHeight = found->lineHeight;
    m_ascent = found->ascent;
    m_latin1Advances = found->advances;
    horizontalScrollBar()->setSingleStep(found->singleStep);
}

int LogView::widthOf(const QString& line) const
{
    if (line.isEmpty())
        return 0;
    if (m_lineHeight == 0)
        const_cast<LogView*>(this)->takeFontMetrics();
    qreal width = 0;
    for (const QChar c : line) {
        if (c.unicode() >= m_latin1Advances.size())
            return fontMetrics().horizontalAdvance(line);
        width += m_latin1Advances[c.unicode()];
    }
    return qCeil(width);
}

void LogView::measure(const QString& line)
{
    const int width = widthOf(line);
    if (width > m_widest) {
        m_widest = width;
        m_widestLine = line;
    }
}

bool LogView::followsEnd() const
{
    if (m_syncPending)
        return m_syncFollows;
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void LogView::scheduleSync(bool followEnd)
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    m_syncFollows = followEnd;
    // A hidden view catches up when it is shown.
    if (isVisible())
        QMetaObject::invokeMethod(this, &LogView::applyPendingSync, Qt::QueuedConnection);
}

void LogView::applyPendingSync()
{
    if (m_syncPending && isVisible())
        updateScrollBars(m_syncFollows);
}

void LogView::updateScrollBars(bool followEnd)
{
    m_syncPending = false;
    // Changing a range may show or hide a scroll bar, which resizes the
    // viewport and comes back here; each size is therefore read just before
    // it is used.
    QScrollBar* vertical = verticalScrollBar();
    const qsizetype rows = rowsInView();
    vertical->setPageStep(int(rows));
    vertical->setRange(0, int(std::max<qsizetype>(m_lines.count() - rows, 0)));
    if (followEnd)
        vertical->setValue(vertical->maximum());

    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    horizontal->setPageStep(width);
    horizontal->setRange(0, std::max(m_widest + 2 * margin - width, 0));
    viewport()->update();
}

qsizetype LogView::rowsInView() const
{
    if (m_lineHeight == 0)
        const_cast<LogView*>(this)->takeFontMetrics();
    return std::max((viewport()->height() - margin) / m_lineHeight, 1);
}

qsizetype LogView::lineAt(int y) const
{
    if (m_lines.count() == 0)
        return -1;
    if (m_lineHeight == 0)
        const_cast<LogView*>(this)->takeFontMetrics();
    const int offset = y - margin;
    const int row = offset >= 0 ? offset / m_lineHeight : -((m_lineHeight - 1 - offset) / m_lineHeight);
    return std::clamp<qsizetype>(verticalScrollBar()->value() + row, 0, m_lines.count() - 1);
}

void LogView::moveSelectionEnd(qsizetype line)
{
    m_selectionEnd = line;
    scrollToLine(line);
}

void LogView::scrollToLine(qsizetype line)
{
    QScrollBar* bar = verticalScrollBar();
    const qsizetype rows = rowsInView();
    if (line < bar->value())
        bar->setValue(int(line));
    else if (line >= bar->value() + rows)
        bar->setValue(int(line - rows + 1));
    viewport()->update();
}

qsizetype LogView::lineAtOffset(qsizetype offset) const
{
    // The last line that starts at or before the offset.
    qsizetype low = 0;
    qsizetype high = std::max<qsizetype>(m_lines.count() - 1, 0);
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (offsetOfLine(middle) <= offset)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

void LogView::setCaret(LogCaret caret)
{
    const qsizetype line = std::clamp<qsizetype>(caret.line, 0, std::max<qsizetype>(m_lines.count() - 1, 0));
    m_caret = {line, std::clamp<qsizetype>(caret.column, 0, m_lines.at(line).size())};
    scrollToLine(line);
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(caretOffset()));
        QAccessible::updateAccessibility(&moved);
    }
}

void LogView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(font());
    if (m_lineHeight == 0)
        takeFontMetrics();
    const QRect area = event->rect();
    const qsizetype top = verticalScrollBar()->value();
    const int x = margin - horizontalScrollBar()->value();
    const int firstRow = std::max((area.top() - margin) / m_lineHeight, 0);
    const int lastRow = (area.bottom() - margin) / m_lineHeight;
    const qsizetype selectedFirst = std::min(m_anchor, m_selectionEnd);
    const qsizetype selectedLast = std::max(m_anchor, m_selectionEnd);
    for (int row = firstRow; row <= lastRow && top + row < m_lines.count(); ++row) {
        const qsizetype index = top + row;
        const int y = margin + row * m_lineHeight;
        if (hasSelection() && index >= selectedFirst && index <= selectedLast) {
            painter.fillRect(0, y, viewport()->width(), m_lineHeight, palette().highlight());
            painter.setPen(palette().color(QPalette::HighlightedText));
        } else {
            painter.setPen(palette().color(QPalette::Text));
        }
        painter.drawText(x, y + m_ascent, m_lines.at(index));
        if (index == m_caret.line && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = QRect(0, y, viewport()->width(), m_lineHeight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
}

void LogView::resizeEvent(QResizeEvent*)
{
    updateScrollBars(followsEnd());
}

void LogView::showEvent(QShowEvent*)
{
    if (m_syncPending)
        updateScrollBars(m_syncFollows);
}

void LogView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        const bool follow = followsEnd();
        m_lineHeight = 0;
        takeScrollStep();
        // Only the widest line is measured again: another line may now be a
        // little wider, but measuring them all could take seconds.
        m_widest = widthOf(m_widestLine);
        if (isVisible())
            updateScrollBars(follow);
        else
            scheduleSync(follow);
    }
    QAbstractScrollArea::changeEvent(event);
}

void LogView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void LogView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if (const auto to = m_caret.moved(*event, m_lines.count(), rowsInView(),
                                           [this](qsizetype line) { return m_lines.at(line).size(); }))
        setCaret(*to);
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void LogView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qsizetype line = lineAt(event->position().toPoint().y());
    if (line < 0)
        return;
    if (!(event->modifiers() & Qt::ShiftModifier) || !hasSelection())
        m_anchor = line;
    moveSelectionEnd(line);
    m_selecting = true;
}

void LogView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const qsizetype line = lineAt(event->position().toPoint().y());
    if (line != m_selectionEnd)
        moveSelectionEnd(line);
}

void LogView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_selecting = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void LogView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void LogView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    connect(copyAction, &QAction::triggered, this, &LogView::copy);
    menu.addSeparator();
    QAction* selectAllAction = menu.addAction(tr("Select &All"));
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(m_lines.count() > 0);
    connect(selectAllAction, &QAction::triggered, this, &LogView::selectAll);
    menu.exec(event->globalPos());
}
