#include <QGuiApplication>

#include <gtest/gtest.h>

// Fonts need a QGuiApplication. The tests draw only off-screen, so they
// default to Qt's offscreen platform: test discovery runs this binary
// without the environment that CTest gives the tests themselves.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
