#include "ErrorCatchingApplication.h"
#include "FakeDesktopShell.h"
#include "MouseInput.h"

#include "widgets/zavWebLabel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

TEST(WebLabelDefaults, LooksLikeALinkToTheDefaultAddress)
{
    TzavWebLabel label;
    EXPECT_EQ(label.Link(), TzavWebLabel::DefaultLink());
    EXPECT_EQ(label.text(), TzavWebLabel::DefaultLink());
    EXPECT_FALSE(TzavWebLabel::DefaultLink().isEmpty());
    EXPECT_EQ(label.toolTip(), TzavWebLabel::DefaultHint());
    EXPECT_FALSE(TzavWebLabel::DefaultHint().isEmpty());
    EXPECT_EQ(label.LinkType(), TURLType::lnHttp);
    EXPECT_EQ(label.FontColor(), TColor::FromRgb(0, 0, 128));
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

TEST(WebLabelDefaults, ReturnsToNavyAfterAHover)
{
    TzavWebLabel label;
    MouseInput::Enter(label);
    EXPECT_EQ(label.FontColor(), TColor::FromRgb(255, 0, 0));
    MouseInput::Leave(label);
    EXPECT_EQ(label.FontColor(), TColor::FromRgb(0, 0, 128));
}

class WebLabelClick : public testing::Test {
protected:
    FakeDesktopShell shell;
    TzavWebLabel label;

    void SetUp() override
    {
        label.resize(150, 16);
        ErrorCatchingApplication::TakeError();
    }
};

struct PrefixCase {
    const char* name;
    TURLType type;
    const char* link;
    const char* url;

    friend void PrintTo(const PrefixCase& c, std::ostream* out) { *out << c.name; }
};

class WebLabelPrefix : public WebLabelClick, public testing::WithParamInterface<PrefixCase> {};

TEST_P(WebLabelPrefix, OpensTheSchemeFollowedDirectlyByTheLink)
{
    label.SetLinkType(GetParam().type);
    label.SetLink(QString::fromUtf8(GetParam().link));
    MouseInput::Release(label, Qt::LeftButton);
    EXPECT_EQ(shell.Opened, QStringList{QString::fromUtf8(GetParam().url)});
    EXPECT_EQ(ErrorCatchingApplication::TakeError(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, WebLabelPrefix,
    testing::Values(PrefixCase{"File", TURLType::lnFile, "/tmp/notes.txt", "file:///tmp/notes.txt"},
                    PrefixCase{"Ftp", TURLType::lnFtp, "ftp.example.org/pub", "ftp://ftp.example.org/pub"},
                    PrefixCase{"Gopher", TURLType::lnGopher, "gopher.example.org", "gopher://gopher.example.org"},
                    PrefixCase{"Http", TURLType::lnHttp, "www.example.org/a?b=c", "http://www.example.org/a?b=c"},
                    PrefixCase{"Https", TURLType::lnHttps, "www.example.org", "https://www.example.org"},
                    PrefixCase{"Mailto", TURLType::lnMailto, "someone@example.org", "mailto:someone@example.org"},
                    PrefixCase{"News", TURLType::lnNews, "comp.protocols.tcp-ip", "news:comp.protocols.tcp-ip"},
                    PrefixCase{"Telnet", TURLType::lnTelnet, "bbs.example.org", "telnet:bbs.example.org"},
                    PrefixCase{"Wais", TURLType::lnWais, "wais.example.org/db", "wais:wais.example.org/db"}),
    [](const auto& info) { return std::string(info.param.name); });

class WebLabelButton : public WebLabelClick, public testing::WithParamInterface<Qt::MouseButton> {};

TEST_P(WebLabelButton, OpensTheLinkOnRelease)
{
    label.SetLink(QStringLiteral("www.example.org"));
    MouseInput::Release(label, GetParam());
    EXPECT_EQ(shell.Opened, QStringList{QStringLiteral("http://www.example.org")});
}

INSTANTIATE_TEST_SUITE_P(AnyButton, WebLabelButton,
                         testing::Values(Qt::LeftButton, Qt::RightButton, Qt::MiddleButton),
                         [](const auto& info) {
                             switch (info.param) {
                             case Qt::LeftButton:
                                 return "Left";
                             case Qt::RightButton:
                                 return "Right";
                             default:
                                 return "Middle";
                             }
                         });

TEST_F(WebLabelClick, OpensNothingWhenReleasedOffTheLabel)
{
    MouseInput::Release(label, Qt::LeftButton, QPointF(200, 5));
    EXPECT_TRUE(shell.Opened.isEmpty());
}

TEST_F(WebLabelClick, ChangingTheLinkTypeKeepsTheCaption)
{
    label.setText(QStringLiteral("Write to us"));
    label.SetLinkType(TURLType::lnMailto);
    EXPECT_EQ(label.text(), QStringLiteral("Write to us"));
}

struct ShellAnswer {
    const char* name;
    int result;
    const char* error;

    friend void PrintTo(const ShellAnswer& c, std::ostream* out) { *out << c.name; }
};

class WebLabelShellAnswer : public WebLabelClick, public testing::WithParamInterface<ShellAnswer> {};

TEST_P(WebLabelShellAnswer, RaisesTheShellsFailureNamingTheLink)
{
    shell.Result = GetParam().result;
    label.SetLinkType(TURLType::lnMailto);
    label.SetLink(QStringLiteral("bugs@example.org"));
    label.setText(QStringLiteral("Report a bug"));
    MouseInput::Release(label, Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ErrorCatchingApplication::TakeError(), GetParam().error);
    EXPECT_EQ(label.text(), QStringLiteral("Report a bug"));
    EXPECT_EQ(label.Link(), QStringLiteral("bugs@example.org"));
}

INSTANTIATE_TEST_SUITE_P(
    Results, WebLabelShellAnswer,
    testing::Values(ShellAnswer{"Refused", 0, "ShellExecute \"bugs@example.org\" Failed with Error: 0"},
                    ShellAnswer{"NoAssociation", 31, "ShellExecute \"bugs@example.org\" Failed with Error: 31"},
                    ShellAnswer{"HighestFailure", 32, "ShellExecute \"bugs@example.org\" Failed with Error: 32"},
                    ShellAnswer{"LowestSuccess", 33, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The desktop's own opener, played by a script named xdg-open that is alone
// on the PATH: the click hands the URL over and returns at once, and what
// the opener ends with comes as the shell's failure later.
struct OpenerCase {
    const char* name;
    const char* script;  // nullptr: there is no opener
    const char* error;

    friend void PrintTo(const OpenerCase& c, std::ostream* out) { *out << c.name; }
};

class WebLabelOpener : public testing::TestWithParam<OpenerCase> {
protected:
    QTemporaryDir folder;
    QByteArray path = qgetenv("PATH");
    TzavWebLabel label;

    void SetUp() override
    {
        label.resize(150, 16);
        label.SetLink(QStringLiteral("www.example.org"));
        ErrorCatchingApplication::TakeError();
        qputenv("PATH", QFile::encodeName(folder.path()));
    }
    void TearDown() override { qputenv("PATH", path); }
    QString opener() const { return QDir(folder.path()).filePath("xdg-open"); }
};

TEST_P(WebLabelOpener, ReportsTheOpenersFailureWithoutWaitingForIt)
{
    if (GetParam().script) {
        QFile script(opener());
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QByteArray("#!/bin/sh\necho \"$1\" >\"$0.url\"\n") + GetParam().script + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QElapsedTimer clock;
    clock.start();
    MouseInput::Release(label, Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), 500) << "the window waited for the opener";
    while (!qApp->findChildren<QProcess*>().isEmpty() && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ErrorCatchingApplication::TakeError(), GetParam().error);
    if (GetParam().script) {
        QFile url(opener() + ".url");
        ASSERT_TRUE(url.open(QIODevice::ReadOnly));
        EXPECT_EQ(url.readAll(), "http://www.example.org\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Openers, WebLabelOpener,
    testing::Values(OpenerCase{"ExitsThreeLater", "/bin/sleep 1; exit 3",
                               "ShellExecute \"www.example.org\" Failed with Error: 3"},
                    OpenerCase{"Succeeds", "exit 0", ""},
                    OpenerCase{"Missing", nullptr, "ShellExecute \"www.example.org\" Failed with Error: 2"}),
    [](const auto& info) { return std::string(info.param.name); });

}
