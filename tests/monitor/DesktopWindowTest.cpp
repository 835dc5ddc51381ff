#include "WindowFixture.h"
#include "common/ProductIdentity.h"

#include "monitor/controls/About.h"
#include "widgets/ABOUT1.h"

#include <QLabel>
#include <QScreen>
#include <QtGui/qpa/qplatformwindow.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>

namespace {

// The caption a desktop shows for a window: the title Qt hands the
// platform, completed by the platform's own rule (on X11 it appends the
// application's display name, when one is set).
struct DesktopCaption : QPlatformWindow {
    static QString of(const QWidget& window)
    {
        return formatWindowTitle(window.windowTitle(), QString::fromUtf8(" \xe2\x80\x94 "));
    }
};

enum class Opened { Window, WindowWithHosts, About, ChangeHost };

struct TopLevel {
    const char* name;
    Opened opened;
    QString caption;

    friend void PrintTo(const TopLevel& row, std::ostream* out) { *out << row.name; }
};

class DesktopWindowTest : public WindowFixture, public testing::WithParamInterface<TopLevel> {
protected:
    // Opens the row's window as the program opens it.
    QWidget* open()
    {
        if (GetParam().opened == Opened::WindowWithHosts)
            writeFile("hosts.txt", "127.0.0.1;Loopback\n");
        start();
        if (GetParam().opened == Opened::About)
            dialog = std::make_unique<TAboutBox1>(form.get());
        if (GetParam().opened == Opened::ChangeHost)
            dialog = std::make_unique<TAboutBox>(form.get());
        QWidget* window = dialog ? dialog.get() : form.get();
        window->show();
        return window;
    }

    std::unique_ptr<QWidget> dialog;
};

TEST_P(DesktopWindowTest, DesktopShowsTheCaptionUnchanged)
{
    EXPECT_EQ(DesktopCaption::of(*open()), GetParam().caption);
}

TEST_P(DesktopWindowTest, OpensInTheMiddleOfTheScreen)
{
    QWidget* window = open();
    const QRect screen = window->screen()->availableGeometry();
    const QRect frame = window->windowHandle()->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1) << frame.x();
    // A window taller than the screen keeps its caption on it.
    if (frame.height() <= screen.height())
        EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1) << frame.y();
    else
        EXPECT_EQ(frame.top(), screen.top());
}

INSTANTIATE_TEST_SUITE_P(TopLevels, DesktopWindowTest,
                         testing::Values(TopLevel{"window", Opened::Window, ProductIdentity::DisplayName},
                                         TopLevel{"windowWithHosts", Opened::WindowWithHosts,
                                                  QString(ProductIdentity::DisplayName) + " - hosts.txt"},
                                         TopLevel{"about", Opened::About, "About"},
                                         TopLevel{"changeHost", Opened::ChangeHost, "Change Host IP Address"}),
                         [](const auto& info) { return std::string(info.param.name); });

}

namespace {

// A label on the window's client area, the font colour it is given (none:
// as designed) and the colour its text must be drawn in.
struct LabelInk {
    const char* label;
    std::optional<QColor> given;
    QColor drawn;

    friend void PrintTo(const LabelInk& row, std::ostream* out) { *out << row.label; }
};

class ClientLabelInk : public WindowFixture, public testing::WithParamInterface<LabelInk> {};

TEST_P(ClientLabelInk, TextIsDrawnInTheLabelsColour)
{
    start();
    auto* label = control<QLabel>(GetParam().label);
    if (GetParam().given) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, *GetParam().given);
        label->setPalette(colours);
    }
    const QImage pixels = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int inked = 0;
    int dark = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QColor pixel = pixels.pixelColor(x, y);
            const QColor& ink = GetParam().drawn;
            // Close to the colour: thin strokes are smoothed into the face.
            inked += std::abs(pixel.red() - ink.red()) < 48 && std::abs(pixel.green() - ink.green()) < 48
                && std::abs(pixel.blue() - ink.blue()) < 48;
            dark += pixel.red() < 64 && pixel.green() < 64 && pixel.blue() < 64;
        }
    }
    EXPECT_GT(inked, 10);
    EXPECT_EQ(dark, 0);
}

INSTANTIATE_TEST_SUITE_P(Labels, ClientLabelInk,
                         testing::Values(LabelInk{"zavWebLabel1", std::nullopt, QColor(255, 0, 0)},
                                         LabelInk{"zavWebLabel1", QColor(0, 128, 0), QColor(0, 128, 0)},
                                         LabelInk{"Label26", QColor(0, 0, 255), QColor(0, 0, 255)}));

}
