#include "Unprivileged.h"

#include "monitor/controls/FontSubstitutes.h"
#include "ping/socket/IcmpHelperProcess.h"

#include <QApplication>

#include <gtest/gtest.h>

// Workers hand their outcomes over through the event loop, and the window
// tests need a widget application without a display. Nothing may raise
// into the event loop here: it would end the run at once, loudly.
int main(int argc, char* argv[])
{
    if (!Unprivileged::setUpIfAsked(argc, argv))
        return 1;
    // Every test starts its helper afresh; the helper tests set their own wait.
    IcmpHelperProcess::setLongestWait(std::chrono::milliseconds(0));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FontSubstitutes::install();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
