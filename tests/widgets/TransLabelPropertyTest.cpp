#include "widgets/zavTransLabel.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <stdexcept>

namespace {

class TransLabelTransparency : public testing::TestWithParam<int> {
protected:
    TzavTransLabel label;
};

TEST_P(TransLabelTransparency, RejectsValuesOutsideZeroToHundredAndKeepsTheOldOne)
{
    label.SetTransparency(37);
    try {
        label.SetTransparency(GetParam());
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Value must be between 0 and 100");
    }
    EXPECT_EQ(label.Transparency(), 37);
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, TransLabelTransparency, testing::Values(101, 255, 256, -1));

TEST(TransLabelTransparencyBounds, TakesTheLimitsAndTheCurrentValue)
{
    TzavTransLabel label;
    EXPECT_NO_THROW(label.SetTransparency(label.Transparency()));
    EXPECT_NO_THROW(label.SetTransparency(100));
    EXPECT_EQ(label.Transparency(), 100);
    EXPECT_NO_THROW(label.SetTransparency(0));
    EXPECT_EQ(label.Transparency(), 0);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Change {
    const char* name;
    std::function<void(TzavTransLabel&)> apply;

    friend void PrintTo(const Change& c, std::ostream* out) { *out << c.name; }
};

// A shown label: changing a property must bring a repaint, setting the
// value it already has must not.
class TransLabelRepaint : public testing::TestWithParam<Change> {
protected:
    QWidget window;
    TzavTransLabel* label = new TzavTransLabel(&window);
    PaintCounter counter;

    void SetUp() override
    {
        window.resize(120, 60);
        label->setGeometry(10, 10, 80, 20);
        label->SetCaption(QStringLiteral("caption"));
        window.show();
        label->installEventFilter(&counter);
        ProcessEventsUntilPainted();
        counter.paints = 0;
    }

    bool ProcessEventsUntilPainted()
    {
        QElapsedTimer timer;
        timer.start();
        while (counter.paints == 0 && timer.elapsed() < 200)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return counter.paints > 0;
    }
};

TEST_P(TransLabelRepaint, RepaintsOnAChange)
{
    GetParam().apply(*label);
    EXPECT_TRUE(ProcessEventsUntilPainted());
}

TEST_P(TransLabelRepaint, DoesNothingOnTheSameValueAgain)
{
    GetParam().apply(*label);
    ProcessEventsUntilPainted();
    counter.paints = 0;
    GetParam().apply(*label);
    EXPECT_FALSE(ProcessEventsUntilPainted());
}

INSTANTIATE_TEST_SUITE_P(
    Properties, TransLabelRepaint,
    testing::Values(Change{"Caption", [](TzavTransLabel& l) { l.SetCaption(QStringLiteral("other")); }},
                    Change{"Transparency", [](TzavTransLabel& l) { l.SetTransparency(10); }},
                    Change{"Mist", [](TzavTransLabel& l) { l.SetMist(false); }},
                    Change{"Alignment", [](TzavTransLabel& l) { l.SetAlignment(TAlignment::taCenter); }},
                    Change{"Layout", [](TzavTransLabel& l) { l.SetLayout(TTextLayout::tlBottom); }},
                    Change{"WordWrap", [](TzavTransLabel& l) { l.SetWordWrap(true); }},
                    Change{"Color", [](TzavTransLabel& l) { l.SetColor(clWhite); }}),
    [](const auto& info) { return std::string(info.param.name); });

}
