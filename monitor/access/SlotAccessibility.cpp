#include "monitor/access/SlotAccessibility.h"

#include "monitor/controls/GraphImage.h"
#include "monitor/controls/ScaleLabel.h"

#include "widgets/WidgetAccessibility.h"

#include <QAccessibleWidget>

namespace {

class GraphAccessible : public QAccessibleWidget {
public:
    explicit GraphAccessible(GraphImage* image)
        : QAccessibleWidget(image, QAccessible::Chart)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description)
            return image()->stateDescription();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
    }

    void doAction(const QString& name) override
    {
        if (name == showMenuAction())
            emit image()->customContextMenuRequested(image()->rect().center());
        else if (name == pressAction())
            emit image()->doubleClicked();
        else
            QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == showMenuAction())
            return {"Menu", "Shift+F10"};
        if (name == pressAction())
            return {"Return"};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    GraphImage* image() const { return static_cast<GraphImage*>(widget()); }
};

class ScaleLabelAccessible : public QAccessibleWidget {
public:
    explicit ScaleLabelAccessible(ScaleLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<ScaleLabel*>(widget())->spokenText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("GraphImage"))
        return new GraphAccessible(static_cast<GraphImage*>(object));
    if (className == QLatin1String("ScaleLabel"))
        return new ScaleLabelAccessible(static_cast<ScaleLabel*>(object));
    return nullptr;
}

}

void SlotAccessibility::install()
{
    WidgetAccessibility::install();
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}
