#include "monitor/app/QuorvaneApplication.h"
#include "monitor/controls/FontSubstitutes.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuorvaneApplication::nameApplication();
    FontSubstitutes::install();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
