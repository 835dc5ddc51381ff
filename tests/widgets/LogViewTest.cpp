#include "widgets/LogView.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QtMath>

#include <gtest/gtest.h>

namespace {

// How far inside the frame a text box starts its text.
constexpr int textMargin = 4;

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }

    int paints = 0;
};

QString logLine(int n)
{
    return QStringLiteral("10.0.0.%1, 32 bytes, %2ms, 2026.12.06 23:01:25.7").arg(n % 256).arg(n);
}

class LogViewTest : public testing::Test {
protected:
    LogViewTest()
    {
        view.resize(300, 113);
        view.show();
        settle();
    }

    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    void addLines(int from, int to)
    {
        for (int n = from; n < to; ++n)
            view.addLine(logLine(n));
    }

    QScrollBar* bar() const { return view.verticalScrollBar(); }

    int lineHeight() const { return QFontMetrics(view.font()).lineSpacing(); }

    QPoint rowCentre(int row) const { return {20, textMargin + row * lineHeight() + lineHeight() / 2}; }

    // The line shown in a row of the view.
    QString shownIn(int row) const { return view.line(bar()->value() + row); }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = {})
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, view.viewport()->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(view.viewport(), &event);
    }

    void click(int row, Qt::KeyboardModifiers modifiers = {})
    {
        mouse(QEvent::MouseButtonPress, rowCentre(row), Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, rowCentre(row), Qt::NoButton, modifiers);
    }

    void press(int key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&view, &event);
    }

    LogView view;
};

TEST_F(LogViewTest, KeepsAddsTrimsAndSavesItsLines)
{
    QStringList expected;
    for (int n = 0; n < 1200; ++n) {
        view.addLine(logLine(n));
        expected.append(logLine(n));
        if (view.lineCount() > 1000) {
            view.deleteFirstLine();
            expected.removeFirst();
        }
    }
    EXPECT_EQ(view.lineCount(), 1000);
    EXPECT_EQ(view.line(0), logLine(200));
    EXPECT_EQ(view.lines(), expected);

    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    ASSERT_TRUE(view.saveTo(saved));
    EXPECT_EQ(saved.data(), (expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());

    view.clear();
    settle();
    EXPECT_EQ(view.lineCount(), 0);
    EXPECT_EQ(bar()->maximum(), 0);
}

TEST_F(LogViewTest, FollowsLinesAddedAfterAClearThoughScrolledUpBefore)
{
    addLines(0, 100);
    settle();
    bar()->setValue(10);
    view.hide();
    addLines(100, 101);
    view.clear();
    addLines(200, 300);
    view.resize(300, 200);
    view.show();
    settle();
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(shownIn(bar()->pageStep() - 1), logLine(299));
}

TEST_F(LogViewTest, FollowsNewLinesOnlyWhenScrolledToTheEnd)
{
    addLines(0, 100);
    settle();
    ASSERT_GT(bar()->maximum(), 0);
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(shownIn(bar()->pageStep() - 1), logLine(99));

    bar()->setValue(10);
    const int maximum = bar()->maximum();
    addLines(100, 150);
    settle();
    EXPECT_EQ(bar()->maximum(), maximum + 50);
    EXPECT_EQ(bar()->value(), 10);

    bar()->setValue(bar()->maximum());
    addLines(150, 155);
    settle();
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(shownIn(bar()->pageStep() - 1), logLine(154));
}

TEST_F(LogViewTest, KeepsTheSameLinesInViewWhileTheOldestAreDeleted)
{
    addLines(0, 100);
    settle();
    bar()->setValue(20);
    for (int n = 100; n < 110; ++n) {
        view.addLine(logLine(n));
        view.deleteFirstLine();
    }
    settle();
    EXPECT_EQ(shownIn(0), logLine(20));

    bar()->setValue(bar()->maximum());
    for (int n = 110; n < 120; ++n) {
        view.addLine(logLine(n));
        view.deleteFirstLine();
    }
    settle();
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(shownIn(bar()->pageStep() - 1), logLine(119));
}

TEST_F(LogViewTest, PaintsNothingWhileHiddenAndOnceForManyLinesWhenShown)
{
    addLines(0, 100);
    settle();
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);

    view.hide();
    addLines(100, 5000);
    settle();
    EXPECT_EQ(counter.paints, 0);

    view.show();
    settle();
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(shownIn(bar()->pageStep() - 1), logLine(4999));

    counter.paints = 0;
    addLines(5000, 6000);
    settle();
    EXPECT_EQ(counter.paints, 1);
}

TEST_F(LogViewTest, ClickAndShiftClickSelectWholeLinesThatCopyJoined)
{
    addLines(0, 100);
    settle();
    click(1);
    click(4, Qt::ShiftModifier);
    const QString expected = QStringList{shownIn(1), shownIn(2), shownIn(3), shownIn(4)}.join(QLatin1Char('\n'));
    EXPECT_EQ(view.selectedText(), expected);

    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);

    click(0, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), shownIn(0) + QLatin1Char('\n') + shownIn(1));

    click(2);
    EXPECT_EQ(view.selectedText(), shownIn(2));

    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), view.lines().join(QLatin1Char('\n')));
}

TEST_F(LogViewTest, DraggingSelectsTheLinesPassedAndScrollsPastTheEdge)
{
    addLines(0, 100);
    settle();
    bar()->setValue(0);

    mouse(QEvent::MouseButtonPress, rowCentre(2), Qt::LeftButton);
    mouse(QEvent::MouseMove, rowCentre(5), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, rowCentre(5), Qt::NoButton);
    EXPECT_EQ(view.selectedText(), QStringList({logLine(2), logLine(3), logLine(4), logLine(5)}).join(QLatin1Char('\n')));

    mouse(QEvent::MouseButtonPress, rowCentre(0), Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(20, view.viewport()->height() + 3 * lineHeight()), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(20, 0), Qt::NoButton);
    ASSERT_GT(bar()->value(), 0);
    EXPECT_TRUE(view.selectedText().startsWith(logLine(0) + QLatin1Char('\n')));
    EXPECT_TRUE(view.selectedText().endsWith(QLatin1Char('\n') + shownIn(bar()->pageStep() - 1)));
}

TEST_F(LogViewTest, SelectionStaysOnItsLinesWhileTheOldestAreDeleted)
{
    addLines(0, 100);
    settle();
    bar()->setValue(10);
    click(0);
    click(2, Qt::ShiftModifier);
    for (int n = 0; n < 11; ++n)
        view.deleteFirstLine();
    EXPECT_EQ(view.selectedText(), logLine(11) + QLatin1Char('\n') + logLine(12));

    for (int n = 0; n < 2; ++n)
        view.deleteFirstLine();
    EXPECT_FALSE(view.hasSelection());
}

TEST_F(LogViewTest, DrawsTheSelectionOnTheRowsOfTheSelectedLines)
{
    addLines(0, 100);
    settle();
    click(1);
    click(2, Qt::ShiftModifier);
    settle();
    const QImage shown = view.viewport()->grab().toImage();
    const auto colourAt = [&](int row) { return shown.pixelColor(1, rowCentre(row).y()); };
    const QPalette& palette = view.palette();
    EXPECT_EQ(colourAt(0), palette.color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(colourAt(1), palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(colourAt(2), palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(colourAt(3), palette.color(QPalette::Active, QPalette::Base));
}

TEST_F(LogViewTest, SignalsADoubleClick)
{
    addLines(0, 10);
    int doubleClicks = 0;
    QObject::connect(&view, &LogView::doubleClicked, [&] { ++doubleClicks; });
    mouse(QEvent::MouseButtonDblClick, rowCentre(1), Qt::LeftButton);
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(LogViewTest, ScrollsSidewaysAsFarAsTheWidestLineSeen)
{
    QScrollBar* sideways = view.horizontalScrollBar();
    view.addLine(QStringLiteral("short"));
    settle();
    EXPECT_EQ(sideways->maximum(), 0);

    const QString wide(200, QLatin1Char('W'));
    view.addLine(wide);
    settle();
    const int reach = sideways->maximum() + view.viewport()->width();
    EXPECT_GE(reach, textMargin + QFontMetrics(view.font()).horizontalAdvance(wide));

    addLines(0, 20);
    view.deleteFirstLine();
    view.deleteFirstLine();
    settle();
    EXPECT_EQ(sideways->maximum() + view.viewport()->width(), reach);

    view.clear();
    settle();
    EXPECT_EQ(sideways->maximum(), 0);
}

// Views share one table of character widths per font: a view whose font
// changes, back and forth, must measure with the font it has now, as a
// fresh view in that font does.
TEST_F(LogViewTest, MeasuresWithTheFontItHasNowWhenFontsChangeBackAndForth)
{
    const QString wide(200, QLatin1Char('W'));
    const int pixelSizes[] = {9, 23, 9, 15, 23};
    for (const int pixels : pixelSizes) {
        QFont font = view.font();
        font.setPixelSize(pixels);
        view.setFont(font);
        LogView fresh;
        fresh.setFont(font);
        view.clear();
        view.addLine(wide);
        settle();
        const QFontMetricsF metrics(font);
        const int reach = view.horizontalScrollBar()->maximum() + view.viewport()->width();
        EXPECT_NEAR(reach, textMargin + metrics.horizontalAdvance(wide), 2 * textMargin) << pixels << " px";
        EXPECT_EQ(view.horizontalScrollBar()->singleStep(), qCeil(metrics.averageCharWidth() * 2)) << pixels << " px";
        EXPECT_EQ(fresh.horizontalScrollBar()->singleStep(), view.horizontalScrollBar()->singleStep()) << pixels << " px";
    }
}

} // namespace
