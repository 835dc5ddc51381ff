#include "widgets/WidgetAccessibility.h"

#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"
#include "widgets/zavWebLabel.h"

#include <QAccessibleWidget>

#include <algorithm>

namespace {

class TransLabelAccessible : public QAccessibleWidget {
public:
    explicit TransLabelAccessible(TzavTransLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<TzavTransLabel*>(widget())->Caption();
        return QAccessibleWidget::text(t);
    }
};

class WebLabelAccessible : public QAccessibleWidget {
public:
    explicit WebLabelAccessible(TzavWebLabel* label)
        : QAccessibleWidget(label, QAccessible::Link)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return label()->Url();
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& name) override
    {
        if (name == pressAction())
            label()->Open();
    }

private:
    TzavWebLabel* label() const { return static_cast<TzavWebLabel*>(widget()); }
};

// One line as a text of its own, for Qt's own reading of the characters and
// words in it.
class LineText : public QAccessibleTextInterface {
public:
    explicit LineText(QString text)
        : m_text(std::move(text))
    {
    }

    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override { return m_text.mid(startOffset, endOffset - startOffset); }
    int characterCount() const override { return int(m_text.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    QString m_text;
};

// The log's lines joined by "\n", read where the screen reader asks, at the
// view's caret; nothing is typed into it. A log may hold a month of lines:
// every answer reads only the lines it needs.
class LogViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LogViewAccessible(LogView* view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return int(view()->caretOffset()); }
    void setCursorPosition(int position) override
    {
        const qsizetype line = view()->lineAtOffset(position);
        view()->setCaret({line, position - view()->offsetOfLine(line)});
    }
    QString text(int startOffset, int endOffset) const override
    {
        QString text;
        const int end = std::min(endOffset, characterCount());
        for (qsizetype line = view()->lineAtOffset(startOffset); line < view()->lineCount(); ++line) {
            const qsizetype from = view()->offsetOfLine(line);
            if (from >= end)
                break;
            const QString whole = view()->line(line) + (line + 1 < view()->lineCount() ? "\n" : "");
            text += whole.mid(std::max<qsizetype>(startOffset - from, 0), end - std::max<qsizetype>(startOffset, from));
        }
        return text;
    }
    int characterCount() const override
    {
        const qsizetype lines = view()->lineCount();
        return lines == 0 ? 0 : int(view()->offsetOfLine(lines) - 1);
    }
    // A line (or paragraph, or sentence: a log line is all three) with its
    // "\n"; other units within the line they fall in.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override
    {
        return lineText(view()->lineAtOffset(offset), offset, boundary, startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override
    {
        if (!isLineBoundary(boundary))
            return QAccessibleTextInterface::textBeforeOffset(offset, boundary, startOffset, endOffset);
        const qsizetype line = view()->lineAtOffset(offset) - 1;
        if (line < 0) {
            *startOffset = *endOffset = -1;
            return {};
        }
        return lineText(line, -1, boundary, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override
    {
        if (!isLineBoundary(boundary))
            return QAccessibleTextInterface::textAfterOffset(offset, boundary, startOffset, endOffset);
        const qsizetype line = view()->lineAtOffset(offset) + 1;
        if (line >= view()->lineCount()) {
            *startOffset = *endOffset = -1;
            return {};
        }
        return lineText(line, -1, boundary, startOffset, endOffset);
    }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

    using QAccessibleWidget::text;

private:
    LogView* view() const { return static_cast<LogView*>(widget()); }

    static bool isLineBoundary(QAccessible::TextBoundaryType boundary)
    {
        return boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary
               || boundary == QAccessible::SentenceBoundary;
    }

    // Line `line` for a line boundary; otherwise the unit at `offset`
    // within that line, found as Qt finds it in any text.
    QString lineText(qsizetype line, int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                     int* endOffset) const
    {
        *startOffset = *endOffset = -1;
        if (view()->lineCount() == 0)
            return {};
        const int from = int(view()->offsetOfLine(line));
        const QString text = view()->line(line) + (line + 1 < view()->lineCount() ? "\n" : "");
        if (isLineBoundary(boundary) || boundary == QAccessible::NoBoundary) {
            *startOffset = from;
            *endOffset = from + int(text.size());
            return text;
        }
        LineText within(text);
        const QString unit = within.textAtOffset(offset - from, boundary, startOffset, endOffset);
        if (*startOffset >= 0) {
            *startOffset += from;
            *endOffset += from;
        }
        return unit;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TzavTransLabel"))
        return new TransLabelAccessible(static_cast<TzavTransLabel*>(object));
    if (className == QLatin1String("TzavWebLabel"))
        return new WebLabelAccessible(static_cast<TzavWebLabel*>(object));
    if (className == QLatin1String("LogView"))
        return new LogViewAccessible(static_cast<LogView*>(object));
    return nullptr;
}

}

void WidgetAccessibility::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}
