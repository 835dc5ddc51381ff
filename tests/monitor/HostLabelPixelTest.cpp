#include "WindowFixture.h"

#include "widgets/zavTransLabel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <utility>

namespace {

// The first and last columns in which a label's picture differs from its
// top-left pixel, the background; the label's last row is left out, as
// it lies over the graph's frame.
std::pair<int, int> inkColumns(TzavTransLabel& label)
{
    const QImage picture = label.grab().toImage();
    std::pair<int, int> ink{picture.width(), -1};
    for (int y = 0; y + 1 < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) != picture.pixel(0, 0))
                ink = {std::min(ink.first, x), std::max(ink.second, x)};
    return {label.x() + ink.first, label.x() + ink.second};
}

// The host and description labels are see-through: what they show is
// painted into the window's backing store, and only a picture of that
// store tells what the user sees.
class HostLabelPixels : public WindowFixture {
protected:
    QImage shown()
    {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QTest::qWait(20);
        return QGuiApplication::primaryScreen()->grabWindow(form->winId()).toImage();
    }

    // The line of host and description labels of slots 1 and 2.
    QImage labelLine(const QImage& window) const
    {
        const auto* label = control<TzavTransLabel>(Slots[0].hostLabel);
        const QPoint at = label->mapTo(form.get(), QPoint());
        return window.copy(0, at.y(), window.width(), label->height()).convertToFormat(QImage::Format_RGB32);
    }
};

TEST_F(HostLabelPixels, ChangeToShortHostsLooksExactlyLikeAStartOnThem)
{
    storeSetting("showlabel", "yes");
    storeSetting("showdesc", "yes");
    writeFile("hosts.txt", "2001:db8:0:0:0:0:0:3;long form;50\n127.100.100.100;;50\n");
    start();
    shown();
    form->applyHostChange("1", "::1", "long form");
    form->applyHostChange("2", "127.1", "");
    const QImage changed = labelLine(shown());

    form.reset();
    writeFile("hosts.txt", "::1;long form;50\n127.1;;50\n");
    start();
    const QImage started = labelLine(shown());
    EXPECT_EQ(changed, started);
}

TEST_F(HostLabelPixels, LongHostIsCutWhereTheDescriptionBegins)
{
    const QString longHost = "2001:db8:1234:5678:9abc:def0:1234:5678";
    storeSetting("showlabel", "yes");
    storeSetting("showdesc", "yes");
    writeFile("hosts.txt", (longHost + ";branch office router;50\n").toUtf8());
    start();
    auto* hostLabel = control<TzavTransLabel>(Slots[0].hostLabel);
    const int hostEnd = inkColumns(*hostLabel).second;
    EXPECT_EQ(host(1), longHost);
    setChecked("CheckBox5", false);
    const int uncutEnd = inkColumns(*hostLabel).second;
    setChecked("CheckBox5", true);
    form->applyHostChange("1", "", "branch office router");
    const int descriptionStart = inkColumns(*control<TzavTransLabel>(Slots[0].descriptionLabel)).first;

    EXPECT_LT(hostEnd, descriptionStart);
    EXPECT_GT(hostEnd, descriptionStart - 20) << "cut no shorter than it must be";
    EXPECT_GT(uncutEnd, descriptionStart) << "whole again without the description";
}

}

// A graph repainted under the open threshold panel, however its corner
// texts and lines change, leaves the panel as the user sees it.
TEST_F(HostLabelPixels, GraphUnderTheThresholdPanelLeavesThePanelWhole)
{
    storeSetting("showaverage", "yes");
    writeFile("hosts.txt", "127.0.0.1;;50\n");
    start();
    shown();
    form->toggleThresholdPanel(1);
    auto* panel = control<QWidget>(Slots[0].thresholdPanel);
    const QRect panelRect(panel->mapTo(form.get(), QPoint()), panel->size());
    const QImage before = shown().copy(panelRect);
    for (const std::uint32_t rtt : {5u, 800u, 12u, 9000u, 1u, 77u}) {
        reply("127.0.0.1", rtt);
        EXPECT_EQ(shown().copy(panelRect), before) << "after a reply of " << rtt << " ms";
    }
}
