#include "monitor/FontSubstitutes.h"
#include "monitor/QuorvaneApplication.h"

#include <gtest/gtest.h>

// Workers hand their outcomes over through the event loop, and the window
// tests need a widget application without a display: the program's own
// application object, on the offscreen platform.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuorvaneApplication app(argc, argv);
    FontSubstitutes::install();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
