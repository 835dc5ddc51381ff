#include "widgets/WidgetAccessibility.h"

#include "widgets/LogView.h"
#include "widgets/zavTransLabel.h"
#include "widgets/zavWebLabel.h"

#include <QAccessibleWidget>

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

// The log's lines joined by "\n", read where the screen reader asks: a log
// has no cursor of its own and nothing is typed into it.
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
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        return whole().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(whole().size()); }
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
    QString whole() const { return static_cast<LogView*>(widget())->lines().join('\n'); }
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
