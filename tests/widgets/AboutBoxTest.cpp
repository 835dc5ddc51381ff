#include "ErrorCatchingApplication.h"
#include "FakeDesktopShell.h"
#include "MouseInput.h"

#include "common/ProductIdentity.h"
#include "widgets/ABOUT1.h"
#include "widgets/zavWebLabel.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

namespace {

class AboutBox : public testing::Test {
protected:
    TAboutBox1 dialog;

    template <typename Control>
    Control& Find(const char* name)
    {
        auto* control = dialog.findChild<Control*>(QString::fromLatin1(name));
        if (control == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
};

TEST_F(AboutBox, IsAFixedDialogCalledAbout)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(dialog.size(), QSize(249, 285));
    EXPECT_EQ(dialog.minimumSize(), QSize(249, 285));
    EXPECT_EQ(dialog.maximumSize(), QSize(249, 285));
}

struct Placement {
    const char* name;
    const char* parent;
    QRect place;

    friend void PrintTo(const Placement& c, std::ostream* out) { *out << c.name; }
};

class AboutBoxLayout : public AboutBox, public testing::WithParamInterface<Placement> {};

TEST_P(AboutBoxLayout, PlacesTheControl)
{
    QWidget& control = Find<QWidget>(GetParam().name);
    const QRect place = GetParam().place;
    EXPECT_EQ(control.parentWidget()->objectName().toStdString(), GetParam().parent);
    EXPECT_EQ(control.pos(), place.topLeft());
    if (place.isValid())
        EXPECT_EQ(control.size(), place.size());
    else
        EXPECT_FALSE(control.size().isEmpty());
}

// Plain labels size themselves to their text: only their place is fixed.
INSTANTIATE_TEST_SUITE_P(Controls, AboutBoxLayout,
                         testing::Values(Placement{"Panel2", "", QRect(8, 8, 233, 241)},
                                         Placement{"RichEdit1", "Panel2", QRect(8, 8, 217, 113)},
                                         Placement{"Label1", "Panel2", QRect(18, 137, 0, 0)},
                                         Placement{"zavWebLabel2", "Panel2", QRect(18, 153, 158, 16)},
                                         Placement{"Label2", "Panel2", QRect(18, 192, 0, 0)},
                                         Placement{"zavWebLabel1", "Panel2", QRect(18, 209, 193, 16)},
                                         Placement{"Button1", "", QRect(80, 256, 75, 25)}),
                         [](const auto& info) { return std::string(info.param.name); });

void ExpectBold13(const QWidget& control)
{
    EXPECT_TRUE(control.font().bold()) << control.objectName().toStdString();
    EXPECT_EQ(control.font().pixelSize(), 13) << control.objectName().toStdString();
}

TEST_F(AboutBox, ShowsFiveLinesOfProductInformation)
{
    auto& info = Find<QTextEdit>("RichEdit1");
    EXPECT_EQ(info.toPlainText().split(QLatin1Char('\n')),
              (QStringList{QString("%1, ").arg(ProductIdentity::DisplayName), QStringLiteral("quorvane"),
                           QString("Version %1; %2").arg(ProductIdentity::Version, ProductIdentity::ReleaseMonth), QStringLiteral("Network Monitoring Software "),
                           QStringLiteral("Written by Halvetor")}));
    EXPECT_TRUE(info.isReadOnly());
    EXPECT_FALSE(info.isEnabled());
    EXPECT_EQ(info.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(info.palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
    ExpectBold13(info);
}

TEST_F(AboutBox, LabelsTheLinks)
{
    EXPECT_EQ(Find<QLabel>("Label1").text(), QStringLiteral("Please report bugs to:"));
    EXPECT_EQ(Find<QLabel>("Label2").text(), QStringLiteral("Visit the webpage"));
    EXPECT_EQ(Find<QPushButton>("Button1").text(), QStringLiteral("&Close"));
    ExpectBold13(Find<QLabel>("Label1"));
    ExpectBold13(Find<QLabel>("Label2"));
}

struct LinkCase {
    const char* name;
    TURLType type;
    const char* link;
    const char* caption;
    const char* hint;
    QString opens;

    friend void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.name; }
};

class AboutBoxLink : public AboutBox, public testing::WithParamInterface<LinkCase> {};

TEST_P(AboutBoxLink, ShowsAndOpensItsAddress)
{
    auto& label = Find<TzavWebLabel>(GetParam().name);
    EXPECT_EQ(label.LinkType(), GetParam().type);
    EXPECT_EQ(label.Link().toStdString(), GetParam().link);
    EXPECT_EQ(label.text().toStdString(), GetParam().caption);
    EXPECT_EQ(label.toolTip().toStdString(), GetParam().hint);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    ExpectBold13(label);

    FakeDesktopShell shell;
    MouseInput::Release(label, Qt::LeftButton);
    EXPECT_EQ(shell.Opened, QStringList{GetParam().opens});
}

TEST_P(AboutBoxLink, StaysRedUnderTheMouse)
{
    auto& label = Find<TzavWebLabel>(GetParam().name);
    const TColor red = TColor::FromRgb(255, 0, 0);
    EXPECT_EQ(label.FontColor(), red);
    MouseInput::Enter(label);
    MouseInput::Leave(label);
    EXPECT_EQ(label.FontColor(), red);
}

INSTANTIATE_TEST_SUITE_P(
    Links, AboutBoxLink,
    testing::Values(LinkCase{"zavWebLabel2", TURLType::lnMailto, ProductIdentity::BugAddress,
                             ProductIdentity::BugAddress, "Report a bug by e-mail", QString("mailto:%1").arg(ProductIdentity::BugAddress)},
                    LinkCase{"zavWebLabel1", TURLType::lnHttp, ProductIdentity::HomePage,
                             ProductIdentity::HomePageUrl, "Software Website",
                             ProductIdentity::HomePageUrl}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutBox, HomePageConstantsAgree)
{
    EXPECT_EQ(TzavWebLabel::Prefix(TURLType::lnHttp) + QString::fromLatin1(ProductIdentity::HomePage),
              QString::fromLatin1(ProductIdentity::HomePageUrl));
}

TEST(AboutBoxPlace, OpensInTheMiddleOfTheScreenNotOfItsWindow)
{
    QWidget window;
    window.setGeometry(0, 0, 200, 150);
    window.show();
    TAboutBox1 dialog(&window);
    dialog.show();
    EXPECT_EQ(dialog.frameGeometry().center(), dialog.screen()->availableGeometry().center());
}

TEST_F(AboutBox, CloseButtonEndsTheShowingAsCancel)
{
    dialog.show();
    Find<QPushButton>("Button1").click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(AboutBox, StaysOpenWhenALinkCannotBeOpened)
{
    FakeDesktopShell shell(0);
    ErrorCatchingApplication::TakeError();
    dialog.show();
    MouseInput::Release(Find<TzavWebLabel>("zavWebLabel1"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ErrorCatchingApplication::TakeError(),
              std::string("ShellExecute \"") + ProductIdentity::HomePage + "\" Failed with Error: 0");
    EXPECT_TRUE(dialog.isVisible());
}

}
