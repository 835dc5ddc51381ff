#include "ErrorCatchingApplication.h"

#include <gtest/gtest.h>

// Widgets need a QApplication. The tests never need a display, so they
// default to Qt's offscreen platform: test discovery runs this binary
// without the environment that CTest gives the tests themselves.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    ErrorCatchingApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
